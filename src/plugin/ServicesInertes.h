#pragma once
// Services of the full application that have no effect in the plug-in: each
// answers with its fixed result.
#include "platform/PlatformTypes.h"
#include "text/TextStyle.h"

void PauseMusique();
void DePauseMusique();
void JeTePreviensPorteesEffacees();
void JeTePreviensLoisChangent();
void LibereTabQuantizedPosPortee();
void SupprimePorteesVolatilesRythmes();
int16_t AjusteAccompagnementQdSupprimePortee();
void SetGrilleAccordNonCalculee();
void SetDefaultParamGraceNote();
void FixePorteeModifiee();
// The system beep: silent in the plug-in.
void SysBeep(int16_t duration);
// Leaves the caller's style as it is.
void GetStylePref(int16_t number, TextStyle* style);
struct Document;
void InvalideAireRegle(Document* document);
void MarqueRegleSelonCibles();
void MarqueAccrocheAutoDansBornes();
// Horizontal scroll of the window in pixels.
int32_t GetPosPixelScroll();
// The plug-in cannot fill Bezier shapes: smooth lines are drawn with pen
// strokes, and recorded paths are shown by whoever replays the picture.
int16_t SystemDependantCanDrawBezier();
struct BezierPoint;
void SystemDependantBezierShape(const BezierPoint* path, int32_t count, int16_t drawtype, int16_t overlaptype,
                                int16_t linecap, int16_t linejoin, float miterlimit, float penWidth,
                                const RGBColor* colour, int16_t penMode, uint8_t flag);
// The script trace log is not kept in the plug-in.
void ScriptTraceLog(const char* format, ...);
