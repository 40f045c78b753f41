#pragma once
// The file dialogs of the windows are made when a command needs one and dropped
// when it is done: no folder is looked at before the user asks for a dialog, and
// nothing of a dialog's state outlives it.

#include <QFileDialog>
#include <filesystem>
#include <memory>

namespace tallyvox::app {

// A file dialog in folder, the toolkit's own (the same on every platform), that
// reads nothing from and writes nothing to the user's shared Qt settings (its
// last folder, history and view would otherwise be remembered there and pointed
// every later dialog, and every later start, at that folder). UI thread only.
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, const std::filesystem::path& folder);

} // namespace tallyvox::app
