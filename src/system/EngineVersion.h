#pragma once
// The engine's version text, as the host prints it.
const char* EngineVersion();
