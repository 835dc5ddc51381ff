#pragma once

#include "monitor/window/SlotTable.h"

#include <QVarLengthArray>

// The numbers of the slots whose host label shows one host text, found once
// per outcome.
using SlotNumbers = QVarLengthArray<int, SlotCount>;
