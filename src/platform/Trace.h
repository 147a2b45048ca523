#pragma once
// Whether the engine's silent reporters write to stderr. Off unless the host
// asks for it (tamrel-ql --trace sets TAMREL_TRACE=1 before loading the plug-in).
bool TraceEnabled();
void SetTraceEnabled(bool on);
