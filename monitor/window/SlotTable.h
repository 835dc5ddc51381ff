#pragma once

#include "monitor/echo/SlotNumbers.h"

#include <array>

// Everything in which the ten host slots differ, as data: the names of
// their controls, where they stand, and the few places where their reply
// processing behaves differently. Code that works on a slot takes its row
// from here; there is no per-slot code.
struct SlotRow {
    int number;

    const char* image;
    const char* hostLabel;
    const char* descriptionLabel;
    const char* topScaleLabel;
    const char* bottomScaleLabel;
    const char* unitLabel;
    const char* pollLog;
    const char* recentValues;
    const char* thresholdPanel;
    const char* thresholdEdit;
    const char* closeButton;
    const char* toggleButton;
    const char* popupMenu;
    const char* changeHostItem;
    const char* resetItem;
    const char* saveGraphItem;
    const char* saveLogItem;

    // The image's top-left corner in window client coordinates, and the
    // row panel it stands on (null: directly on the window).
    int left;
    int top;
    const char* rowPanel;

    bool reverseLookup;
    int smallGridStep;            // grid step after a reply while the maximum is at most 20
    int samplesForAverage;        // fewest recent values that give an average
    bool averagesAllZeros;        // an all-zero recent list still gives the average 0
    bool keepsSampleColourBelowAverage;
    bool zeroesLastValueAfterPublishing;  // on a foreign reply
    bool prefixesCombinedFailureLine;
};

struct RowPanelRow {
    const char* name;
    int left;
    int top;
};

inline constexpr int GraphWidth = 300;
inline constexpr int GraphHeight = 113;

inline constexpr std::array<RowPanelRow, 3> RowPanels{{
    {"Panel4", 4, 336},  // slots 5 and 6
    {"Panel3", 4, 472},  // slots 7 and 8
    {"Panel2", 4, 608},  // slots 9 and 10
}};

// clang-format off
inline constexpr std::array<SlotRow, SlotCount> Slots{{
    {1, "Image1", "zavTransLabel1", "zavTransLabel31", "Label1", "Label2", "Label30", "Memopoll1", "Memo11",
     "Panel5", "thresh1", "Button4", "Status1", "PopupMenu1",
     "Changehost1", "Reset1", "Savegraph1", "Savelogtofile1",
     8, 80, nullptr, false, 10, 2, true, true, false, true},
    {2, "Image2", "zavTransLabel2", "zavTransLabel32", "Label4", "Label3", "Label21", "Memopoll2", "Memo12",
     "Panel6", "thresh2", "Button5", "Status2", "PopupMenu2",
     "MenuItem1", "MenuItem2", "Savegraphtofile1", "Savelogtofile2",
     352, 80, nullptr, true, 20, 2, false, true, false, false},
    {3, "Image3", "zavTransLabel3", "zavTransLabel33", "Label5", "Label6", "Label31", "Memopoll3", "Memo3",
     "Panel7", "thresh3", "Button6", "Status3", "PopupMenu3",
     "MenuItem3", "MenuItem4", "Savegraphtofile2", "Savelogtofile3",
     8, 216, nullptr, false, 20, 2, false, true, false, false},
    {4, "Image4", "zavTransLabel4", "zavTransLabel34", "Label7", "Label8", "Label22", "Memopoll4", "Memo4",
     "Panel8", "thresh4", "Button7", "Status4", "PopupMenu4",
     "MenuItem5", "MenuItem6", "Savegraphtofile3", "Savelogtofile4",
     352, 216, nullptr, false, 20, 2, false, false, true, false},
    {5, "Image5", "zavTransLabel5", "zavTransLabel35", "Label9", "Label10", "Label32", "Memopoll5", "Memo5",
     "Panel9", "thresh5", "Button8", "Status5", "PopupMenu5",
     "MenuItem7", "MenuItem8", "Savegraphtofile4", "Savelogtofile5",
     8, 352, "Panel4", false, 20, 2, false, false, false, false},
    {6, "Image6", "zavTransLabel6", "zavTransLabel36", "Label11", "Label12", "Label27", "Memopoll6", "Memo6",
     "Panel10", "thresh6", "Button9", "Status6", "PopupMenu6",
     "MenuItem9", "MenuItem10", "Savegraphtofile5", "Savelogtofile6",
     352, 352, "Panel4", false, 20, 2, false, false, false, false},
    {7, "Image7", "zavTransLabel7", "zavTransLabel37", "Label13", "Label14", "Label33", "Memopoll7", "Memo7",
     "Panel11", "thresh7", "Button10", "Status7", "PopupMenu7",
     "MenuItem11", "MenuItem12", "Savegraphtofile6", "Savelogtofile7",
     8, 488, "Panel3", false, 20, 2, false, false, true, false},
    {8, "Image8", "zavTransLabel8", "zavTransLabel38", "Label15", "Label16", "Label28", "Memopoll8", "Memo8",
     "Panel12", "thresh8", "Button11", "Status8", "PopupMenu8",
     "MenuItem13", "MenuItem14", "Savegraphtofile7", "Savelogtofile8",
     352, 488, "Panel3", false, 20, 2, false, false, false, false},
    {9, "Image9", "zavTransLabel9", "zavTransLabel39", "Label17", "Label18", "Label34", "Memopoll9", "Memo9",
     "Panel13", "thresh9", "Button12", "Status9", "PopupMenu9",
     "MenuItem15", "MenuItem16", "Savegraphtofile8", "Savelogtofile9",
     8, 624, "Panel2", true, 20, 2, false, false, false, false},
    {10, "Image10", "zavTransLabel10", "zavTransLabel40", "Label19", "Label20", "Label29", "Memopoll10", "Memo10",
     "Panel14", "thresh10", "Button13", "Status10", "PopupMenu10",
     "MenuItem17", "MenuItem18", "Savegraphtofile9", "Savelogtofile10",
     352, 624, "Panel2", true, 20, 3, false, false, false, false},
}};
// clang-format on

// The four layouts: outer window height, link label top, which row panels
// show, combined log height, and the value stored.
struct LayoutRow {
    int graphs;
    const char* menuItem;
    int windowHeight;
    int linkTop;
    int visibleRows;
    int logHeight;
};

inline constexpr std::array<LayoutRow, 4> Layouts{{
    {4, "N4graphs1", 405, 332, 0, 273},
    {6, "N6graphs1", 540, 467, 1, 409},
    {8, "N8graphs1", 675, 602, 2, 545},
    {10, "N10graphs1", 820, 743, 3, 678},
}};
