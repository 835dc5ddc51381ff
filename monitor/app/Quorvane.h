#pragma once

// The program: application object, the window and its two dialogs, the
// event loop, and an orderly end of every worker after it.
class Quorvane {
public:
    static int run(int argc, char* argv[]);
};
