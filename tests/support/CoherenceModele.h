#pragma once
// The consistency check of the score model: every rule that a score's records
// keep between them, for tests and fuzz targets to call after any edit or
// load. It only reads (no lazy table is rebuilt) and reports each broken rule
// as one line naming the record; an empty list means the model holds.
//
// It needs nothing but the engine: a fuzz target compiles
// tests/support/CoherenceModele.cpp with its own source.
//
// Checked, per score: the bar count against every bar table (the views'
// copies too) and the start ticks of the rows when they are up to date; the
// ruptures (sorted, on bars, the highest bar kept); the played bars; targets,
// bank ranges, the chord grid, the current bar and part groups; staff
// indexes and back pointers. Per staff: the notes tile the time line from
// tick 0 (cached starts agree, no chord runs off the end, nothing past the
// last bar); effect records are in use, owned once and not leaked; ties,
// slurs and beam links are paired across staves with unique ids not past the
// counter; the key and clef table starts at bar 0 and rises; texts,
// graphics, dynamics, sound effects and curve points lie on the time line;
// height events lie on bars, one per kind and bar. Per document: page-setup
// bar ranges (the views' copies too) against the current score.
#include <string>
#include <vector>

struct Document;
struct Partition;

std::vector<std::string> VerifieCoherencePartition(Partition** score);
// Every score of the document and its page setups.
std::vector<std::string> VerifieCoherenceDocument(Document* document);
