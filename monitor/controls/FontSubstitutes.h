#pragma once

// The window names the fonts of the desktop it was designed on. Where they
// are missing, free fonts of the same metrics stand in, so that texts keep
// the widths the layout was made for.
class FontSubstitutes {
public:
    static void install();
};
