#pragma once

#include <QVarLengthArray>

// The window's host slots, numbered from 1.
inline constexpr int SlotCount = 10;

// The numbers of the slots whose host label shows one host text, found once
// per outcome.
using SlotNumbers = QVarLengthArray<int, SlotCount>;
