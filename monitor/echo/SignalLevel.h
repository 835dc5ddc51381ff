#pragma once

// The signal by which a graph tells its host's state. The reply processing
// works out a slot's level once and paints the background from it; the
// screen reader's words, the tray and the outcome's listeners read the same
// level, so that all of them tell the same.
namespace Signal {

// In rising order of alarm: of several slots that show one host, the
// highest level is the host's.
enum class Level {
    Normal,        // white
    LastAbove,     // yellow: the last time above the threshold
    AverageAbove,  // orange: the average at or above the threshold
    Failed,        // red: a lost echo
};

// Yellow or orange: above the threshold, however it is measured.
constexpr bool isAbove(Level level)
{
    return level == Level::LastAbove || level == Level::AverageAbove;
}

}
