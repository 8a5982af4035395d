#pragma once
// The XML document may not know the report model above it: the layering check must refuse this.
#include "report/frxClass.h"
