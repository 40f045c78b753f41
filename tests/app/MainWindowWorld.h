#pragma once
// One main-window test's world: a fresh folder as the current directory with the
// two configuration files, message boxes answered and recorded, a fast clock,
// and the real window started in it.

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <boost/make_shared.hpp>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/Messages.h"
#include "app/QtNotifier.h"
#include "app/QtText.h"
#include "model/Clock.h"
#include "tests/kit/ScopedEnvironment.h"
#include "tests/kit/SimHarness.h"
#include "tests/kit/TempDir.h"

namespace tallyvox::testkit {

// Protocol time runs this much faster than real time, so a read of a few dozen
// records takes a moment.
constexpr double ClockSpeedup = 10.0;
// Generous bounds for waits on a busy machine; nothing here measures speed.
constexpr int StartupTimeoutMs = 30000;
constexpr int ReadTimeoutMs = 60000;

struct TShownMessage {
    QString Text;
    QString Caption;
};

// Message boxes as the real windows show them, and the window's own way out of
// the program (held lines saved first); only the end of the process itself is
// recorded, after AtExit has looked at what the program left behind.
class TTestNotifier : public app::TQtNotifier {
public:
    explicit TTestNotifier(QWidget* parent)
        : TQtNotifier(parent, [this](int status) {
              if (AtExit) {
                  AtExit(status);
              }
              Exits.push_back(status);
          }) {}
    std::function<void(int status)> AtExit;
    std::vector<int> Exits;
};

class TMainWindowWorld {
public:
    TMainWindowWorld() : InFolder(Folder.Path()) {
        Clock = boost::make_shared<TScaledClock>(ClockSpeedup);
        app::SetMessageHook([this](const QString& text, const QString& caption) {
            Messages.push_back({text, caption});
            return true;
        });
    }
    ~TMainWindowWorld() {
        Form.reset();
        app::SetMessageHook({});
        app::SetUnattended(false);
    }
    TMainWindowWorld(const TMainWindowWorld&) = delete;
    TMainWindowWorld& operator=(const TMainWindowWorld&) = delete;

    std::filesystem::path PathOf(const std::string& name) const { return Folder.Path() / name; }
    std::string CallFile() const { return PathOf("calls.txt").string(); }

    // "Tallyvox.cfg": port byte, header byte, 28 zero bytes.
    void WriteSettings(std::uint8_t port = 1, std::uint8_t header = 1) const {
        std::string bytes(30, '\0');
        bytes[0] = static_cast<char>(port);
        bytes[1] = static_cast<char>(header);
        WriteBytes("Tallyvox.cfg", bytes);
    }
    // "TallyvoxOut.cfg" as a user who chose a call file and an automatic start has it.
    void WriteOutConfig(const std::string& tariffFile, const std::string& autoStart = "") const {
        WriteBytes("TallyvoxOut.cfg",
                   "TARIF_FNAME=" + tariffFile + "\r\nREALTIME_FNAME=\r\nAUTO=" + autoStart);
    }
    void WriteBytes(const std::string& name, const std::string& bytes) const {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }
    std::string ReadBytes(const std::filesystem::path& path) const {
        return testkit::FileContents(path);
    }
    // The file's lines without their CR LF; a last line without CR LF is kept
    // as it is, so that a cut line shows.
    std::vector<std::string> Lines(const std::string& path) const {
        const std::string bytes = ReadBytes(path);
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            lines.push_back(bytes.substr(start, end - start));
        }
        if (start < bytes.size()) {
            lines.push_back(bytes.substr(start));
        }
        return lines;
    }

    // Makes "COMn" a device that does not exist.
    void MapPortToNowhere(int n) {
        Environment.Set("TALLYVOX_COM" + std::to_string(n), PathOf("no-such-device").string());
    }

    // Creates and shows the main window; true once its start-up has run.
    bool StartWindow(const std::function<void(app::TMainForm&)>& beforeShow = {}) {
        Notifier = boost::make_shared<TTestNotifier>(nullptr);
        Form = std::make_unique<app::TMainForm>(Clock, Notifier);
        if (beforeShow) {
            beforeShow(*Form);
        }
        QSignalSpy started(Form.get(), &app::TMainForm::StartupFinished);
        Form->show();
        return started.count() > 0 || started.wait(StartupTimeoutMs);
    }

    // The usual setting for a read: COM1 on the simulator, header on, a
    // call-accounting file chosen; then the window is started.
    bool StartReadyToRead(testkit::TSimHarness& sim) {
        sim.MapPort(1);
        WriteSettings();
        WriteOutConfig(CallFile());
        return StartWindow();
    }

    template <typename T> T* Control(const char* name) const {
        T* control = Form->findChild<T*>(QString::fromLatin1(name));
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }
    QAction* Command(const char* name) const { return Control<QAction>(name); }
    QString Panel(int index) const {
        return Control<QLabel>(("StatusBar1_Panel" + std::to_string(index)).c_str())->text();
    }
    QListWidget* List() const { return Control<QListWidget>("ListBox1"); }
    // The list's lines as the file holds them.
    std::vector<std::string> ListLines() const {
        std::vector<std::string> lines;
        for (int i = 0; i < List()->count(); ++i) {
            lines.push_back(app::ToCp1251(List()->item(i)->text()));
        }
        return lines;
    }
    bool HasMessage(const QString& text, const QString& caption) const {
        for (const TShownMessage& message : Messages) {
            if (message.Text == text && message.Caption == caption) {
                return true;
            }
        }
        return false;
    }

    testkit::TTempDir Folder;
    testkit::TCurrentDir InFolder;
    boost::shared_ptr<TScaledClock> Clock;
    boost::shared_ptr<TTestNotifier> Notifier;
    std::unique_ptr<app::TMainForm> Form;
    std::vector<TShownMessage> Messages;

private:
    testkit::TScopedEnvironment Environment;
};

// What the program writes to standard error while the object lives.
class TCapturedStandardError {
public:
    TCapturedStandardError() : Previous(std::cerr.rdbuf(Captured.rdbuf())) {}
    ~TCapturedStandardError() { std::cerr.rdbuf(Previous); }
    TCapturedStandardError(const TCapturedStandardError&) = delete;
    TCapturedStandardError& operator=(const TCapturedStandardError&) = delete;
    QString Text() const { return QString::fromStdString(Captured.str()); }

private:
    std::ostringstream Captured;
    std::streambuf* Previous;
};

// Moves the call file away as soon as the list holds count lines and puts a
// folder in its place: on the UI thread, while the reader waits for its record
// to be shown, so exactly the records after that one find no file to take them.
inline void MoveAwayAtListCount(TMainWindowWorld& world, int count,
                                const std::filesystem::path& from,
                                const std::filesystem::path& to) {
    QObject::connect(world.List()->model(), &QAbstractItemModel::rowsInserted, world.List(),
                     [&world, count, from, to] {
                         if (world.List()->count() == count) {
                             std::filesystem::rename(from, to);
                             std::filesystem::create_directory(from);
                         }
                     });
}

// The rescue files in the start folder.
inline std::vector<std::filesystem::path> RescueFiles(const TMainWindowWorld& world) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(world.Folder.Path())) {
        if (entry.path().filename().string().starts_with("TallyvoxRescue-")) {
            files.push_back(entry.path());
        }
    }
    return files;
}

// Answers the next modal dialog of type T (once it is on the screen) with answer.
template <typename T> void AnswerNextModal(const std::function<void(T&)>& answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            answer(*dialog);
        }
    });
    poll->start(20);
}

// Types a path into a file dialog's name field as a user does. The field then
// has the focus, which makes the dialog drop whatever its list had selected (the
// file in use, once the folder has been read); a field set without the focus
// would leave that selection to be what the dialog returns.
inline void TypeFileName(QFileDialog& dialog, const std::string& path) {
    dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"))->clearSelection();
    dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
        ->setText(QString::fromStdString(path));
}

} // namespace tallyvox::testkit
