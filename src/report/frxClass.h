#pragma once
// The report object model: the tree of report components (report -> pages -> objects), their
// published properties with their defaults, the units positions and sizes are held in, and the
// tree operations (parenting, naming, finding, font inheritance, paper and orientation).
//
// Positions and sizes are pixels at 96 dpi held as long double; paper sizes and margins are
// millimetres. Published properties are Q_PROPERTYs in declaration order (read and written
// through report/frxProps), enumerations are Q_ENUMs of the frxClass namespace.
//
// The model is declared by family; this header gives all of it.

#include "report/frxClass_types.h"
#include "report/frxClass_views.h"
#include "report/frxClass_bands.h"
#include "report/frxClass_pages.h"
#include "report/frxClass_options.h"
#include "report/frxClass_report.h"
