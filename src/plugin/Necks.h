#pragma once
// The neck table of fretted and keyed instruments, read from the neck files.

// Loads the neck files of the necks folder into the table.
void InitTabNeck();
