#pragma once
// Whether the engine's silent reporters write to stderr. Off unless the host
// asks for it (tamrel-ql --trace sets TAMREL_TRACE=1 before loading the plug-in).
bool TraceEnabled();
void SetTraceEnabled(bool on);

// Phase timing for `tamrel-ql --timing` (TAMREL_TIMING=1): TimingStart gives
// a mark, TimingReport prints the wall time since it to stderr. Off, both cost
// one test.
bool TimingEnabled();
double TimingStart();
void TimingReport(const char* phase, double start);

// Layout check by eye for `tamrel-ql --frames` (TAMREL_FRAMES=1): pages draw
// the frames of their elements and staff entries over what they show.
bool CadresPageEnabled();
void SetCadresPageEnabled(bool on);
