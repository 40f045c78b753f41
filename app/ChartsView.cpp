#include "app/ChartsView.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "app/FileDialogs.h"
#include "app/HandlerGuard.h"
#include "app/Messages.h"

namespace tallyvox::app {

using reportcli::TChartKind;

namespace {

const QSize InitialSize(1000, 640);

} // namespace

TChartsView::TChartsView(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ChartsView"));
    setWindowTitle(QStringLiteral("Графики"));
    resize(InitialSize);
    KindBox = new QComboBox(this);
    KindBox->setObjectName(QStringLiteral("ChartKindBox"));
    for (const reportcli::TChartKindName& kind : reportcli::ChartKinds) {
        KindBox->addItem(
            QString::fromUtf8(kind.Caption.data(), static_cast<qsizetype>(kind.Caption.size())),
            static_cast<int>(kind.Kind));
    }
    SaveButton = new QPushButton(QStringLiteral("Сохранить изображение"), this);
    SaveButton->setObjectName(QStringLiteral("SaveImageButton"));
    View = new QChartView(this);
    View->setRenderHint(QPainter::Antialiasing);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("График:"), this));
    bar->addWidget(KindBox, 1);
    bar->addWidget(SaveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(View, 1);
    UpdateAvailableKinds();
    connect(KindBox, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
    connect(SaveButton, &QPushButton::clicked, this,
            [this] { RunHandler(this, [this] { SaveImageClick(); }); });
}

void TChartsView::SetInput(const reportcli::TChartInput& input) {
    Input = input;
    UpdateAvailableKinds();
    Stale = true;
    if (isVisible()) {
        Redraw();
    }
}

void TChartsView::UpdateAvailableKinds() {
    auto* model = qobject_cast<QStandardItemModel*>(KindBox->model());
    for (const reportcli::TChartKindName& kind : reportcli::ChartKinds) {
        model->item(static_cast<int>(kind.Kind))
            ->setEnabled(reportcli::ChartAvailable(kind.Kind, Input));
    }
    if (!reportcli::ChartAvailable(Kind(), Input)) {
        ShowKind(TChartKind::Hours);
    }
}

TChartKind TChartsView::Kind() const {
    return static_cast<TChartKind>(KindBox->currentData().toInt());
}

void TChartsView::ShowKind(TChartKind kind) {
    KindBox->setCurrentIndex(static_cast<int>(kind));
}

QString TChartsView::ChartTitle() const {
    return View->chart()->title();
}

void TChartsView::showEvent(QShowEvent* event) {
    if (Stale) {
        Redraw();
    }
    QWidget::showEvent(event);
}

void TChartsView::Redraw() {
    // The view takes the new chart and deletes the one it showed.
    View->setChart(reportcli::MakeChart(Kind(), Input).release());
    Stale = false;
}

QString TChartsView::SaveImage(const QString& fileName) const {
    return reportcli::SaveChart(Kind(), Input, fileName, View->size());
}

void TChartsView::SaveImageClick() {
    auto dialog = MakeFileDialog(this, {});
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    const QString png = QStringLiteral("Рисунок PNG (*.png)");
    const QString svg = QStringLiteral("Рисунок SVG (*.svg)");
    dialog->setNameFilters({png, svg});
    dialog->setDefaultSuffix(QStringLiteral("png"));
    connect(dialog.get(), &QFileDialog::filterSelected, dialog.get(),
            [&dialog, svg](const QString& filter) {
                dialog->setDefaultSuffix(filter == svg ? QStringLiteral("svg")
                                                       : QStringLiteral("png"));
            });
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return;
    }
    const QString failure = SaveImage(dialog->selectedFiles().constFirst());
    if (!failure.isEmpty()) {
        ShowMessage(this, QStringLiteral("Изображение не сохранено: %1.").arg(failure),
                    QCoreApplication::applicationName());
    }
}

} // namespace tallyvox::app
