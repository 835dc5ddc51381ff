#pragma once

#include "monitor/files/LogFile.h"
#include "monitor/files/LogFileOutage.h"
#include "monitor/files/SettingsStore.h"
#include "monitor/controls/OptionItems.h"
#include "monitor/echo/EchoListeners.h"
#include "monitor/echo/EchoOutcome.h"
#include "monitor/echo/SlotNumbers.h"
#include "monitor/window/SlotTable.h"

#include <QDateTime>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class GraphImage;
class HistoryRecorder;
class HistoryView;
class HostDownAlerts;
class TickPaintGate;
class HostListHolder;
class LogView;
class QAction;
class QCheckBox;
class QFocusFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QWidget;
class TPingThread;
class TAboutBox;
class TAboutBox1;
class TVumo;
class TzavTransLabel;
class TzavWebLabel;
class WindowTimer;

// The monitor window: ten host slots, the top bar, the menus, the logs and
// the polling cycle. It keeps no model apart from its controls.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    struct Options {
        QStringList arguments;        // without the program name
        double logicalDpi = 0;        // 0: the screen's
        QString programFolder;        // empty: the executable's folder
    };

    explicit TForm1(const Options& options);
    ~TForm1() override;

    // The change-host dialog and the About dialog, each asked for at its
    // showing: the program makes each at the first and keeps it for the
    // run, so that a start pays for neither.
    using ChangeHostDialog = std::function<TAboutBox*()>;
    using AboutDialog = std::function<TAboutBox1*()>;
    void setDialogs(ChangeHostDialog changeHost, AboutDialog about);

    // Outer size of the window as the layout commands set it, frame,
    // caption and menu bar included.
    QSize outerSize() const { return m_outerSize; }
    bool startupCompleted() const { return m_startupCompleted; }

    // Start-up and window commands.
    void FormCreate();
    void Stayontop1Click();
    void Producthomepage1Click();
    void About2Click();

    // Polling cycle.
    void Button2Click();
    void Timer1Timer();
    void TrackBar1Change();
    void Edit2Change();
    void TrackBar2Change();
    void Edit3Change();
    void Button1Click();
    void Exit1Click() { Button1Click(); }

    // Reply processing: the termination callback of every worker. An
    // outcome given without its send order counts as sent now.
    void PingThreadDone(QObject* sender);
    void PingThreadDone(QObject* sender, const SentEcho& echo);

    // The history's view of a slot's host.
    void showHistory(int slot);

    // Logs.
    void Showlog1Click();
    void Writelog1Click();
    void CheckBox4Click();
    // Names the log file's folder in the "Write log" item's status tip.
    void describeLogFolder();
    void saveLog(int slot);

    // Display options and thresholds.
    void CheckBox1Click();
    void CheckBox5Click();
    void CheckBox3Click();
    void CheckBox2Click();
    void CheckBox6Click();
    void toggleThresholdPanel(int slot);
    void closeThresholdPanel(int slot);
    void thresholdChanged(int slot);
    void showPollLog(int slot);
    void hidePollLog(int slot);
    void openGraphMenu(int slot);

    // Host list and host changes.
    void Memo2Change();
    void Openhostfile1Click();
    void Savecurrenthostselection1Click();
    void changeHost(int slot);
    void applyHostChange(const QString& slotText, const QString& host, const QString& description);

    // Resets and graph export.
    void resetSlot(int slot);
    void Button3Click();
    void Resetgraphs1Click() { Button3Click(); }
    void saveGraph(int slot);

    TVumo& graph(int slot) const;

    // A graph configured as every slot's is.
    static std::unique_ptr<TVumo> createSlotGraph();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Slot;

    void buildWindow();
    void startUpSteps();
    void buildTopBar(QWidget* client);
    void buildMenus();
    void buildSlot(int index, QWidget* client);
    void buildKeyboardAccess();
    void connectHandlers();
    void configureGraph(Slot& slot);
    template <typename Sender, typename Signal, typename Handler>
    void handle(const Sender* sender, Signal signal, Handler handler);
    template <typename Handler>
    void handleCommand(QAction* item, Handler handler);
    template <typename Handler>
    void runHandler(const Handler& handler);

    void applySize(int outerHeight, int linkTop, int logHeight);
    void layoutCommand(int graphs);
    double screenFactor() const;

    void loadHostFile(const QString& fileName);
    // The window's caption while a host list file is loaded.
    static QString captionNaming(const QString& fileName);
    void applyHolderToSlots();
    void nameSlots();
    void applySettings();
    void applyIntervalSetting();
    void applyPayloadSetting();
    void applyLayoutSetting();
    void applySwitchSetting(const char* name, QCheckBox* box);
    void applyThresholdSetting(int slot);

    std::optional<std::int32_t> payloadForTick();
    void storeSetting(const QString& name, const QString& value);

    Signal::Level sampleSignal(const Slot& slot, std::int32_t rtt) const;
    void sampleProcedure(Slot& slot, const EchoOutcome& outcome);
    void foreignReplyProcedure(Slot& slot, const EchoOutcome& outcome);
    void failureProcedure(Slot& slot, const EchoOutcome& outcome);
    void notSentProcedure(Slot& slot, const EchoOutcome& outcome);
    void zeroSample(Slot& slot, bool zeroAfterPublishing);
    void setGridAfterSample(Slot& slot, int smallStep);
    void writeLogRecord(const QString& record);
    void addCombinedLine(const QString& line);

    // What follows the echoes beside the slots, and its Options items.
    void buildListeners(QMenu* options);
    ShownHost shownHost(const SlotNumbers& showing) const;
    // Tells the listeners the hosts shown, after a change of the slots'
    // hosts, descriptions or signals that no outcome made.
    void showHosts();
    SlotNumbers slotsShowing(const QString& host) const;
    void bringToFront();
    // Show history... in the slot's graph menu, after the items it had.
    QAction* addHistoryItem(int slot);

    bool showStatisticsToolTip(int slot, const QPoint& globalPos);
    void refreshStatisticsToolTip(int slot);

    Slot& slot(int number) const;

    // Controls of the top bar, the menus and the logs, shared by every slot;
    // each with its caption or, for a hidden one, the state it holds.
    QWidget* Panel1 = nullptr;           // the top bar
    QSlider* TrackBar1 = nullptr;        // Interval slider, 1 to 30 s
    QSlider* TrackBar2 = nullptr;        // Payload slider, 32 to 512 bytes
    QLineEdit* Edit1 = nullptr;          // hidden: "1" starts polling at start-up
    QLineEdit* Edit2 = nullptr;          // Interval in seconds
    QLineEdit* Edit3 = nullptr;          // Payload in bytes
    QLineEdit* Edit4 = nullptr;          // hidden: the log file's stamp
    QLineEdit* edit5 = nullptr;          // hidden: the host list file's name
    QLabel* Label26 = nullptr;           // "in seconds" (or "second")
    QCheckBox* CheckBox1 = nullptr;      // Show hostnames
    QCheckBox* CheckBox2 = nullptr;      // Show last value
    QCheckBox* CheckBox3 = nullptr;      // Show average
    QCheckBox* CheckBox4 = nullptr;      // hidden: Write log
    QCheckBox* CheckBox5 = nullptr;      // Show description
    QCheckBox* CheckBox6 = nullptr;      // Show exceeding threshold
    QPushButton* Button1 = nullptr;      // &Quit
    QPushButton* Button2 = nullptr;      // &Start / &Stop
    QPushButton* Button3 = nullptr;      // hidden: &Reset (all graphs)
    LogView* Memo1 = nullptr;            // the combined log (View > Show log)
    HostListHolder* Memo2 = nullptr;     // hidden: the host list's lines
    TzavWebLabel* zavWebLabel1 = nullptr; // the home page link
    WindowTimer* Timer1 = nullptr;       // the polling cycle
    std::array<QWidget*, RowPanels.size()> m_rowPanels{};
    std::array<QAction*, Layouts.size()> m_layoutItems{};
    QAction* Stayontop1 = nullptr;       // View > Always on top
    QAction* Showlog1 = nullptr;         // View > Show log
    QAction* Writelog1 = nullptr;        // Options > Write log
    HostDownAlerts* m_downAlerts = nullptr;  // read by the statistics and the host commands
    HistoryRecorder* m_history = nullptr;    // read by its view
    HistoryView* m_historyView = nullptr;  // made at its first showing
    QFocusFrame* m_graphFocusFrame = nullptr; // around the graph or poll log that has the focus
    TickPaintGate* m_paintGate = nullptr; // one paint pass for a tick's replies

    std::array<std::unique_ptr<Slot>, SlotCount> m_slots;

    SettingsStore m_settings;
    EchoListeners m_listeners;
    OptionItems m_optionItems{m_settings};
    Options m_options;
    QString m_programFolder;
    QString m_openDialogFileName;
    QString m_saveFilter;
    QSize m_outerSize;
    ChangeHostDialog m_changeHostBox;
    AboutDialog m_aboutBox;
    bool m_closing = false;
    bool m_placed = false;
    bool m_startupCompleted = false;
    bool m_payloadErrorShown = false;
    bool m_logFileErrorShown = false;
    LogFile m_logFile;
    LogFileOutage m_logFileOutage;
    bool m_permissionErrorShown = false;

    // The slot whose statistics tooltip is shown (0: none), where, and its
    // text, by which it is told from a tooltip shown since by another control.
    int m_toolTipSlot = 0;
    QPoint m_toolTipPos;
    QString m_toolTipText;
};
