#pragma once
// Staff heights and inner lines. The inner lines of a new staff, which the
// model sets, are declared in layout/ServicesMiseEnPage.h.
#include "layout/ServicesMiseEnPage.h"
