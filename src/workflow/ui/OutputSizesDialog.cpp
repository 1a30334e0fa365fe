#include "workflow/ui/OutputSizesDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace pictorel {

namespace {

QSpinBox* MakeSpin(QWidget* parent, const char* name, int low, int high, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

}  // namespace

OutputSizesDialog::OutputSizesDialog(std::vector<OutputSize> sizes, QWidget* parent)
    : QDialog(parent), list_(std::move(sizes)) {
    setObjectName(QStringLiteral("FOutputSizes"));
    setWindowTitle(QStringLiteral("出力サイズの設定"));

    sizeList = new QListWidget(this);
    sizeList->setObjectName(QStringLiteral("sizeList"));
    nameEdit = new QLineEdit(this);
    nameEdit->setObjectName(QStringLiteral("nameEdit"));
    nameEdit->setMaxLength(static_cast<int>(kMaxOutputSizeNameChars));
    shapeCombo = new QComboBox(this);
    shapeCombo->setObjectName(QStringLiteral("shapeCombo"));
    shapeCombo->addItems({QStringLiteral("長辺"), QStringLiteral("枠（幅×高さ）")});
    const OutputSize standard = DefaultOutputSize();
    sideSpin = MakeSpin(this, "sideSpin", kMinOutputSide, kMaxOutputSide, standard.maxSide);
    heightSpin = MakeSpin(this, "heightSpin", kMinOutputSide, kMaxOutputSide, standard.maxSide);
    heightSpin->setEnabled(false);
    qualitySpin =
        MakeSpin(this, "qualitySpin", kMinOutputQuality, kMaxOutputQuality, standard.quality);
    capCheck = new QCheckBox(QStringLiteral("ファイルサイズの上限"), this);
    capCheck->setObjectName(QStringLiteral("capCheck"));
    capSpin = MakeSpin(this, "capSpin", kMinCapKb, kMaxCapKb, 300);
    capSpin->setSuffix(QStringLiteral(" KB"));
    capSpin->setEnabled(false);
    problemLabel = new QLabel(this);
    problemLabel->setObjectName(QStringLiteral("problemLabel"));
    problemLabel->setStyleSheet(QStringLiteral("color: #C00000;"));
    addButton = new QPushButton(QStringLiteral("追加"), this);
    addButton->setObjectName(QStringLiteral("addButton"));
    changeButton = new QPushButton(QStringLiteral("変更"), this);
    changeButton->setObjectName(QStringLiteral("changeButton"));
    removeButton = new QPushButton(QStringLiteral("削除"), this);
    removeButton->setObjectName(QStringLiteral("removeButton"));
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    for (QPushButton* button : {addButton, changeButton, removeButton, closeButton})
        button->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("名前"), this), 0, 0);
    fields->addWidget(nameEdit, 0, 1, 1, 3);
    fields->addWidget(new QLabel(QStringLiteral("大きさ"), this), 1, 0);
    fields->addWidget(shapeCombo, 1, 1);
    fields->addWidget(sideSpin, 1, 2);
    fields->addWidget(heightSpin, 1, 3);
    fields->addWidget(new QLabel(QStringLiteral("画質"), this), 2, 0);
    fields->addWidget(qualitySpin, 2, 1);
    fields->addWidget(capCheck, 3, 0, 1, 2);
    fields->addWidget(capSpin, 3, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(changeButton);
    buttons->addWidget(removeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sizeList);
    layout->addLayout(fields);
    layout->addWidget(problemLabel);
    layout->addLayout(buttons);
    resize(440, 360);

    connect(shapeCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) { heightSpin->setEnabled(index == 1); });
    connect(capCheck, &QCheckBox::toggled, capSpin, &QSpinBox::setEnabled);
    connect(sizeList, &QListWidget::currentRowChanged, this, &OutputSizesDialog::ShowFields);
    connect(addButton, &QPushButton::clicked, this, &OutputSizesDialog::AddSize);
    connect(changeButton, &QPushButton::clicked, this, &OutputSizesDialog::ChangeSize);
    connect(removeButton, &QPushButton::clicked, this, &OutputSizesDialog::RemoveSize);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    ShowList(0);
}

OutputSize OutputSizesDialog::FieldsSize() const {
    OutputSize size;
    size.name = nameEdit->text().trimmed().toStdString();
    if (shapeCombo->currentIndex() == 1) {
        size.maxSide = 0;
        size.boxWidth = sideSpin->value();
        size.boxHeight = heightSpin->value();
    } else {
        size.maxSide = sideSpin->value();
    }
    size.quality = qualitySpin->value();
    if (capCheck->isChecked()) size.capKb = capSpin->value();
    return size;
}

void OutputSizesDialog::AddSize() {
    const std::string problem = list_.Add(FieldsSize());
    ShowProblem(problem);
    if (problem.empty()) ShowList(static_cast<int>(list_.Sizes().size()) - 1);
}

void OutputSizesDialog::ChangeSize() {
    const int row = sizeList->currentRow();
    const std::string problem =
        list_.Change(row < 0 ? list_.Sizes().size() : static_cast<std::size_t>(row), FieldsSize());
    ShowProblem(problem);
    if (problem.empty()) ShowList(row);
}

void OutputSizesDialog::RemoveSize() {
    const int row = sizeList->currentRow();
    const std::string problem =
        list_.Remove(row < 0 ? list_.Sizes().size() : static_cast<std::size_t>(row));
    ShowProblem(problem);
    if (problem.empty()) ShowList(std::min(row, static_cast<int>(list_.Sizes().size()) - 1));
}

void OutputSizesDialog::ShowList(int current) {
    const QSignalBlocker blocker(sizeList);
    sizeList->clear();
    for (const OutputSize& size : list_.Sizes())
        sizeList->addItem(QString::fromStdString(OutputSizeLabel(size)));
    sizeList->setCurrentRow(current < sizeList->count() ? current : -1);
    ShowFields(sizeList->currentRow());
}

void OutputSizesDialog::ShowFields(int row) {
    if (row < 0 || row >= static_cast<int>(list_.Sizes().size())) return;
    const OutputSize& size = list_.Sizes()[static_cast<std::size_t>(row)];
    nameEdit->setText(QString::fromStdString(size.name));
    shapeCombo->setCurrentIndex(size.HasBox() ? 1 : 0);
    sideSpin->setValue(size.HasBox() ? size.boxWidth : size.maxSide);
    if (size.HasBox()) heightSpin->setValue(size.boxHeight);
    qualitySpin->setValue(size.quality);
    capCheck->setChecked(size.capKb.has_value());
    if (size.capKb) capSpin->setValue(*size.capKb);
}

void OutputSizesDialog::ShowProblem(const std::string& problem) {
    problemLabel->setText(QString::fromStdString(problem));
}

}  // namespace pictorel
