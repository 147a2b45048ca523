#pragma once
// What one request may spend. A previewer runs on every file browsed, so a
// small hostile file must fail quickly and cleanly instead of taking minutes
// or gigabytes. The wall-time bound is set by the request driver at the start
// of each load; the readers look at it in their long loops and stop with a
// failure of their own. The memory budgets live with what they bound (the XML
// element tree, the zipped-score member).

#include "platform/QLRequest.h"

// Default bound of one request, in seconds.
constexpr double kDelaiRequeteDefaut = kQLRequestTimeLimit;

// The bound the next requests get (seconds; 0 or less: none). It starts from
// TAMREL_TIME_LIMIT when the host set it, else the default.
void FixeDelaiRequete(double secondes);
double DelaiRequete();

// Starts the clock of a request with the current bound.
void DebutBudgetRequete();
// Whether the request has used up its time. Cheap enough for a loop that
// checks it every few thousand steps.
bool DelaiRequeteDepasse();
