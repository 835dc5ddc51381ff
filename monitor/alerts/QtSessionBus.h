#pragma once

// Qt reaches the session bus by itself on the GUI thread, and waits on it
// there: the platform theme when a menu bar is made (the global menu), and
// the accessibility bridge at the first change a screen reader could hear
// (the tray item is ours, on a thread of its own: TrayPanel). Each
// asks once per run and keeps the answer. So Qt is given the bus only if our
// own check (SessionBus) has seen it answer within a short wait before the
// application object is made; otherwise the D-Bus library is given, for the
// whole run, an address that fails at once. The notifications go on looking
// for the bus on their own thread, by its address.
namespace QtSessionBus {

// A bus on this machine answers in a few milliseconds.
constexpr int StartWaitMs = 300;

// Before the application object is made.
void decide(int waitMs = StartWaitMs);

// After it is made, before any window: Qt makes its connection off this
// thread, within waitMs or not at all (a connection that hangs is cut),
// and its view of the bus is fixed for the run.
void settle(int waitMs = StartWaitMs);

}
