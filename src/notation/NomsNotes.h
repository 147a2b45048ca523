#pragma once
// Note names drawn beside or inside note heads.

// Rebuilds the table of note names from the preferences (letters or syllables).
void InitTabNomNote();
