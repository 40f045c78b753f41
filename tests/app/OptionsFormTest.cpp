// The options dialog against a real exchange object and real settings files in
// a temporary folder: what OK applies and saves, what Cancel leaves alone.

#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <boost/make_shared.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/ExchangeConnector.h"
#include "app/Messages.h"
#include "app/OptionsForm.h"
#include "app/QtText.h"
#include "exchange/LinkMessages.h"
#include "exchange/LowLevel.h"
#include "tests/kit/PtyPeer.h"
#include "tests/kit/RecordingNotifier.h"
#include "tests/kit/ScopedEnvironment.h"
#include "tests/kit/TempDir.h"

using tallyvox::TLowLevel;
using tallyvox::app::TOptionsForm;
using tallyvox::testkit::FileContents;

namespace {

const char* const SettingsFile = "Tallyvox.cfg";

void WriteFile(const char* name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

// A settings file with the given port and header bytes; the other 28 bytes
// carry a pattern that saving must leave alone.
std::string SettingsBytes(char port, char header) {
    std::string bytes{port, header};
    for (char filler = 2; filler < 30; ++filler) {
        bytes.push_back(filler);
    }
    return bytes;
}

// What the dialog asks of the main window, in order, with the port state seen
// at the moment of reconnecting.
class TRecordingConnector : public tallyvox::app::TExchangeConnector {
public:
    explicit TRecordingConnector(const TLowLevel& lowLevel) : LowLevel(lowLevel) {}

    int ConnectExchange(const std::string& portName) override {
        Calls.push_back("connect " + portName);
        PortOpenWhenConnecting = LowLevel.Port->IsOpen();
        return -1;
    }
    void RefreshStatus() override { Calls.push_back("refresh"); }

    std::vector<std::string> Calls;
    std::optional<bool> PortOpenWhenConnecting;

private:
    const TLowLevel& LowLevel;
};

// A serial device that opens but refuses to close.
class TStuckPortBackend : public tallyvox::TCommBackend {
public:
    bool FailClose = true;

    bool OpenDevice(const std::string&) override { return true; }
    bool ReadLineSettings() override { return true; }
    bool ApplyLineSettings(const tallyvox::TLineSettings&) override { return true; }
    bool SetupQueues(std::uint32_t, std::uint32_t) override { return true; }
    bool SetTimeouts(const tallyvox::TCommTimeouts&) override { return true; }
    bool SetModemLines() override { return true; }
    bool CloseDevice() override { return !FailClose; }
    bool PurgeReceive() override { return true; }
    bool Drain() override { return true; }
    bool Write(std::uint8_t) override { return true; }
    int Read(std::uint8_t&, std::chrono::microseconds) override { return 0; }
    std::uint32_t LastError() const override { return 5; }
};

struct TMessage {
    QString Text;
    QString Caption;
};

} // namespace

class OptionsFormTest : public QObject {
    Q_OBJECT

private:
    tallyvox::testkit::TScopedEnvironment Environment;
    std::optional<tallyvox::testkit::TTempDir> Folder;
    std::optional<tallyvox::testkit::TCurrentDir> InFolder;
    boost::shared_ptr<TLowLevel> LowLevel;
    std::optional<TRecordingConnector> Connector;
    std::optional<TOptionsForm> Form;
    std::vector<TMessage> Messages;

    // The exchange object as the main window has it after start-up, with the
    // settings read from the given file (none: a first run).
    void StartWith(
        const std::optional<std::string>& settings,
        std::unique_ptr<tallyvox::TCommBackend> backend = tallyvox::MakePlatformCommBackend()) {
        if (settings) {
            WriteFile(SettingsFile, *settings);
        }
        LowLevel = boost::make_shared<TLowLevel>(
            boost::make_shared<tallyvox::TScaledClock>(50.0),
            boost::make_shared<tallyvox::testkit::TRecordingNotifier>(), std::move(backend));
        QCOMPARE(LowLevel->ReadSettings(), 1);
        Connector.emplace(*LowLevel);
        Form.emplace();
        Form->SetLowLevel(LowLevel);
        Form->SetConnector(&*Connector);
    }

    template <typename T> T* Control(const char* name) {
        T* control = Form->findChild<T*>(name);
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }

    QComboBox* Ports() { return Control<QComboBox>("COMPortComboBox"); }
    QRadioButton* SaveTitle() { return Control<QRadioButton>("SaveTitleRadioButton"); }
    QRadioButton* NotSaveTitle() { return Control<QRadioButton>("NotSaveTitleRadioButton"); }

    void Open() {
        Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*Form));
    }

    void Choose(const char* port, bool saveHeader) {
        QTest::mouseClick(saveHeader ? SaveTitle() : NotSaveTitle(), Qt::LeftButton);
        Ports()->setCurrentIndex(Ports()->findText(QLatin1String(port)));
    }

    void ClickOk() { QTest::mouseClick(Control<QPushButton>("Button2"), Qt::LeftButton); }

private slots:
    void initTestCase() {
        // No test may reach a real serial device.
        for (int port = 1; port <= 8; ++port) {
            const std::string name = "TALLYVOX_COM" + std::to_string(port);
            Environment.Set(name, "/nonexistent/tallyvox-port" + std::to_string(port));
        }
        tallyvox::app::SetMessageHook([this](const QString& text, const QString& caption) {
            Messages.push_back({text, caption});
            return true;
        });
    }

    void init() {
        Messages.clear();
        Folder.emplace();
        InFolder.emplace(Folder->Path());
    }

    void cleanup() {
        Form.reset();
        Connector.reset();
        LowLevel.reset();
        InFolder.reset();
        Folder.reset();
    }

    void cleanupTestCase() { tallyvox::app::SetMessageHook({}); }

    void showsItsCaptionsAndLayout() {
        StartWith(std::nullopt);
        Open();
        QCOMPARE(Form->windowTitle(), QStringLiteral("Настройки программы"));
        QVERIFY(Form->isModal());

        auto* portGroup = Control<QGroupBox>("GroupBox1");
        auto* headerGroup = Control<QGroupBox>("GroupBox2");
        QCOMPARE(portGroup->title(), QStringLiteral("Номер СОМ-порта"));
        QCOMPARE(headerGroup->title(), QStringLiteral("Заголовок файла"));
        QVERIFY(portGroup->font().bold());
        QVERIFY(headerGroup->font().bold());

        QStringList items;
        for (int i = 0; i < Ports()->count(); ++i) {
            items << Ports()->itemText(i);
        }
        QCOMPARE(items,
                 QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
        QVERIFY(!Ports()->isEditable());
        QVERIFY(!Ports()->font().bold());
        QCOMPARE(SaveTitle()->text(), QStringLiteral("Сохранять заголовок в файле"));
        QCOMPARE(NotSaveTitle()->text(), QStringLiteral("Не сохранять заголовок"));
        QVERIFY(!SaveTitle()->font().bold());
        QVERIFY(!NotSaveTitle()->font().bold());

        auto* ok = Control<QPushButton>("Button2");
        auto* cancel = Control<QPushButton>("Button1");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        QVERIFY(ok->font().bold());
        QVERIFY(!cancel->font().bold());

        QVERIFY(portGroup->geometry().right() < headerGroup->geometry().left());
        QVERIFY(ok->geometry().top() > headerGroup->geometry().bottom());
        QVERIFY(ok->geometry().right() < cancel->geometry().left());
        QVERIFY(cancel->geometry().right() >= headerGroup->geometry().right() - 1);
        // Sized to its contents: nothing is squeezed below what it needs.
        QCOMPARE(Form->size(), Form->sizeHint());
        for (QWidget* control : std::initializer_list<QWidget*>{portGroup, headerGroup, ok, cancel,
                                                                SaveTitle(), NotSaveTitle()}) {
            QVERIFY(control->width() >= control->sizeHint().width());
        }
    }

    void okSwitchesThePortAndSavesBothChoices() {
        StartWith(std::nullopt);
        Open();
        QCOMPARE(Ports()->currentText(), QStringLiteral("COM1"));
        QVERIFY(SaveTitle()->isChecked());

        Choose("COM5", false);
        ClickOk();

        QVERIFY(!Form->isVisible());
        QCOMPARE(Form->result(), int(QDialog::Accepted));
        QCOMPARE(LowLevel->PortName, std::string("COM5"));
        QCOMPARE(LowLevel->SaveHeader, false);
        QCOMPARE(FileContents(SettingsFile), std::string("\x05\x00", 2) + std::string(28, '\0'));
        QCOMPARE(Connector->Calls, std::vector<std::string>({"connect COM5", "refresh"}));
        QCOMPARE(Messages.size(), std::size_t{0});
    }

    void okWithoutChangesRewritesTheSameValues() {
        const std::string settings = SettingsBytes(3, 0);
        StartWith(settings);
        Open();
        QCOMPARE(Ports()->currentText(), QStringLiteral("COM3"));
        QVERIFY(NotSaveTitle()->isChecked());

        ClickOk();

        QVERIFY(!Form->isVisible());
        QCOMPARE(FileContents(SettingsFile), settings);
        QCOMPARE(Connector->Calls, std::vector<std::string>({"connect COM3", "refresh"}));
    }

    void closingWithoutOkChangesNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "Cancel";
        QTest::newRow("window frame") << "frame";
        QTest::newRow("Escape key") << "Escape";
    }

    void closingWithoutOkChangesNothing() {
        QFETCH(QString, how);
        const std::string settings = SettingsBytes(2, 1);
        StartWith(settings);
        Open();
        Choose("COM7", false);

        if (how == "Cancel") {
            QTest::mouseClick(Control<QPushButton>("Button1"), Qt::LeftButton);
        } else if (how == "frame") {
            Form->close();
        } else {
            QTest::keyClick(&*Form, Qt::Key_Escape);
        }

        QVERIFY(!Form->isVisible());
        QCOMPARE(LowLevel->PortName, std::string("COM2"));
        QCOMPARE(LowLevel->SaveHeader, true);
        QCOMPARE(FileContents(SettingsFile), settings);
        QVERIFY(Connector->Calls.empty());

        Open();
        QCOMPARE(Ports()->currentText(), QStringLiteral("COM2"));
        QVERIFY(SaveTitle()->isChecked());
    }

    void okClosesTheOpenPortBeforeReconnectingAndCancelLeavesItOpen() {
        tallyvox::testkit::TPtyPeer line;
        tallyvox::testkit::TScopedEnvironment com2("TALLYVOX_COM2", line.DevicePath().c_str());
        StartWith(SettingsBytes(2, 1));
        QCOMPARE(LowLevel->OpenPort("COM2"), 1);

        Open();
        QTest::mouseClick(Control<QPushButton>("Button1"), Qt::LeftButton);
        QVERIFY(LowLevel->Port->IsOpen());

        Open();
        ClickOk();
        QCOMPARE(Connector->PortOpenWhenConnecting, std::optional<bool>(false));
        QVERIFY(!LowLevel->Port->IsOpen());
    }

    void aPortNameWithoutNumberKeepsTheSelectionAndOkSavesIt() {
        StartWith(SettingsBytes(9, 1));
        QCOMPARE(LowLevel->PortName, std::string("COM"));
        Open();
        QCOMPARE(Ports()->currentText(), QStringLiteral("COM1"));
        Form->hide();

        LowLevel->SetPortName("COM4");
        Open();
        QCOMPARE(Ports()->currentText(), QStringLiteral("COM4"));
        Form->hide();

        LowLevel->SetPortName("COM");
        Open();
        QCOMPARE(Ports()->currentText(), QStringLiteral("COM4"));
        ClickOk();

        QCOMPARE(LowLevel->PortName, std::string("COM4"));
        QCOMPARE(FileContents(SettingsFile).substr(0, 2), std::string("\x04\x01", 2));
        QCOMPARE(Connector->Calls.front(), std::string("connect COM4"));
    }

    void aFailedSaveIsReportedAndTheDialogStillCloses() {
        StartWith(SettingsBytes(1, 1));
        // A settings file that can be neither opened nor replaced.
        std::filesystem::remove(SettingsFile);
        std::filesystem::create_directory(SettingsFile);
        WriteFile("Tallyvox.cfg/keep", "x");
        Open();
        Choose("COM6", false);

        ClickOk();

        QCOMPARE(Messages.size(), std::size_t{1});
        QCOMPARE(Messages[0].Text, QStringLiteral("Произошел сбой при записи файла конфигурации."));
        QCOMPARE(Messages[0].Caption, QStringLiteral("Ошибка!"));
        QVERIFY(!Form->isVisible());
        QCOMPARE(Form->result(), int(QDialog::Accepted));
        // Both choices hold for this run; the next start will not know them.
        QCOMPARE(LowLevel->PortName, std::string("COM6"));
        QCOMPARE(LowLevel->SaveHeader, false);
        QCOMPARE(Connector->Calls.front(), std::string("connect COM6"));
    }

    void aPortThatCannotBeClosedKeepsTheDialogOpenAndChangesNothing() {
        auto backend = std::make_unique<TStuckPortBackend>();
        TStuckPortBackend& device = *backend;
        const std::string settings = SettingsBytes(2, 1);
        StartWith(settings, std::move(backend));
        QCOMPARE(LowLevel->OpenPort("COM2"), 1);
        Open();
        Choose("COM8", false);

        ClickOk();

        QCOMPARE(Messages.size(), std::size_t{1});
        // In the user's words, with the codes kept for whoever is asked for help.
        QCOMPARE(Messages[0].Text, tallyvox::app::ToQString(tallyvox::messages::PortFailed(
                                       tallyvox::ECommError(tallyvox::CommErrorClose, 5))));
        QVERIFY(Form->isVisible());
        QCOMPARE(LowLevel->PortName, std::string("COM2"));
        QCOMPARE(LowLevel->SaveHeader, true);
        QCOMPARE(FileContents(SettingsFile), settings);
        QVERIFY(Connector->Calls.empty());

        device.FailClose = false;
        ClickOk();
        QVERIFY(!Form->isVisible());
        QCOMPARE(LowLevel->PortName, std::string("COM8"));
    }
};

QTEST_MAIN(OptionsFormTest)
#include "OptionsFormTest.moc"
