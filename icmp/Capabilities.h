#pragma once

// The process's capability sets, as the engine's programs and the helper
// both give them up: read, emptied and checked the same way.
namespace Capabilities {

// Whether the effective set holds this capability (false when unreadable).
bool holds(int capability);
// Whether anything is left in the effective or permitted sets, or in the
// inheritable one when counted (true when unreadable: then nothing is sure).
bool holdsAny(bool countInheritable);
// Empties all three sets; false with errno set when the kernel refused.
bool clear();
// Where we may (CAP_SETPCAP), empties the bounding set but for `keep`
// (-1 for none), so that nothing started later gets a capability back.
void emptyBoundingSet(int keep);

}
