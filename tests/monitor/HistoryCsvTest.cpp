#include "monitor/history/view/HistoryCsv.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

// One echo's host and failure text, and the row a spreadsheet must read as
// text only.
struct CellCase {
    const char* test;
    QString host;
    QString text;
    QByteArray row;

    friend void PrintTo(const CellCase& c, std::ostream* out) { *out << c.test; }
};

class HistoryCsvCells : public testing::TestWithParam<CellCase> {};

TEST_P(HistoryCsvCells, AreNeverTakenForFormulas)
{
    HistoryEcho echo;
    echo.atMs = 0;
    echo.text = GetParam().text;
    EXPECT_EQ(HistoryCsv::echoRow(GetParam().host, echo), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, HistoryCsvCells,
    testing::Values(CellCase{"leading tab", "\t=1+1", "x", "'\t=1+1,1970-01-01T00:00:00.000Z,,failure,x\r\n"},
                    CellCase{"leading carriage return", "a", "\r=1",
                             "a,1970-01-01T00:00:00.000Z,,failure,\"'\r=1\"\r\n"}),
    [](const auto& info) { return QString(info.param.test).replace(' ', '_').toStdString(); });

}
