#pragma once
// Reporters: no fault unwinds. A function that meets one formats a message
// through a reporter and returns its failure value. Internal errors and
// warnings are dropped unless tracing is on (then they go to stderr, one line
// each); platform errors are appended to the error log "Selvane.err" in the
// application folder.
#include <cstdint>

#if defined(__GNUC__)
#define TAMREL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define TAMREL_PRINTF(fmt, args)
#endif

void Collapse(const char* format, ...) TAMREL_PRINTF(1, 2);
void BigBadError(const char* sourceName, int16_t code);
// The two leading words are unused (callers pass 0, 0).
void Avertissement(int16_t unused1, int16_t unused2, const char* format, ...) TAMREL_PRINTF(3, 4);
void RozoErreur(const char* message);
// Appends one dated line to the error log; 0 when the log cannot be opened,
// else the result of closing it.
int CommandeErreur(const char* message);

// The two log sinks.
void Printf(const char* format, ...) TAMREL_PRINTF(1, 2);
void PlugTrace(const char* format, ...) TAMREL_PRINTF(1, 2);

// The document name written between brackets in each log line: the file-name
// field of the static document record. Nothing fills it in the plug-in, so it
// stays empty; the pointer is kept, not the text, so later changes show.
void SetNomDocumentErreur(const char* fileNameField);
