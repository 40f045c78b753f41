#include "app/FileDialogs.h"

#include <QDir>
#include <QSettings>

namespace tallyvox::app {
namespace {

// A file dialog reads its last folder from, and writes its state to, the
// user-scope settings of the toolkit's own organisation at every use. The
// program keeps no settings there, so that scope is pointed at a place that can
// hold no file: the reading finds nothing and the writing fails without a word.
// (Where the native settings are the registry, this path does not apply.)
void KeepDialogStateOutOfTheSharedSettings() {
    static const bool done = [] {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("/dev/null"));
        return true;
    }();
    static_cast<void>(done);
}

} // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const std::filesystem::path& folder) {
    KeepDialogStateOutOfTheSharedSettings();
    // Given at construction, so that the folder shown first is the only one read.
    auto dialog = std::make_unique<QFileDialog>(parent, QString(), QDir(folder).absolutePath());
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    return dialog;
}

} // namespace tallyvox::app
