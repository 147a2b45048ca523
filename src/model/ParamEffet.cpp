#include "model/ParamEffet.h"

#include "model/Portee.h"
#include "platform/Memory.h"

void DisposeParamEffetsPortee(Portee** staff) {
  if (!staff) return;
  Handle h = (*staff)->paramEffets;
  if (h) {
    int32_t n = GetHandleSize(h) / int32_t(sizeof(ParamEffet));
    for (int32_t i = 0; i < n; i++) {
      ParamEffet* p = reinterpret_cast<ParamEffet*>(*h) + i;
      if (p->marks) {
        DisposeHandle(p->marks);
        p->marks = nullptr;
      }
    }
    DisposeHandle(h);
  }
  (*staff)->paramEffets = nullptr;
  (*staff)->nbParamEffets = 0;
}
