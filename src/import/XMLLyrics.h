#pragma once
// Lyrics, text formatting and credits of a MusicXML import.
struct Document;

void XMLFinalizeLyrics(Document* doc);
