#include "workflow/ui/MainWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QUrl>

#include "app/SettingsKeys.h"
#include "app/ui/UncaughtError.h"
#include "workflow/FileUtils.h"
#include "workflow/ui/OpenPictureDialog.h"
#include "workflow/ui/OutputSizesDialog.h"

namespace pictorel {

namespace {

const QColor kTitleColour(0xA8, 0xD8, 0xF0);
const QColor kPanelGrey(0xD4, 0xD0, 0xC8);
// The "出力サイズ" row under the folder-name field: the window grows by it.
constexpr int kOutputSizeRowHeight = 36;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y,
                  bool emphasis = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    if (emphasis) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        label->setStyleSheet(QStringLiteral("color: #C00000;"));
    }
    label->adjustSize();
    label->move(x, y);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QRect& at) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(at);
    button->setAutoDefault(false);
    // Flat tool buttons: reached by the mouse, not by the focus order.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

// The progress window and the base-folder dialog are created after the main
// window; these links forward to them once they exist.
class MainWindow::Links : public IProgress, public IBaseFolderDialog {
  public:
    IProgress* progress = nullptr;
    IBaseFolderDialog* baseDialog = nullptr;

    void StartProgress(int count, bool useGauge) override {
        if (progress != nullptr) progress->StartProgress(count, useGauge);
    }
    void StepProgress() override {
        if (progress != nullptr) progress->StepProgress();
    }
    void StopProgress() override {
        if (progress != nullptr) progress->StopProgress();
    }
    bool Cancelled() const override { return progress != nullptr && progress->Cancelled(); }
    void WaitWithEventsRunning(const DoneWithin& done) override {
        if (progress != nullptr)
            progress->WaitWithEventsRunning(done);
        else
            IProgress::WaitWithEventsRunning(done);
    }
    void WakeWaiter() override {
        if (progress != nullptr) progress->WakeWaiter();
    }
    void ShowBaseFolderDialog() override {
        if (baseDialog != nullptr) baseDialog->ShowBaseFolderDialog();
    }
};

MainWindow::MainWindow(Services services)
    : CommonWindow(nullptr, Options{QStringLiteral("FMain"), QSize(409, 345 + kOutputSizeRowHeight),
                                    services.iniPath, true}),
      links_(std::make_unique<Links>()),
      boxes_(services.boxes),
      shell_(services.shell),
      openPictures_(std::move(services.openPictures)),
      ini_(services.ini) {
    SetTitleColor(kTitleColour);

    baseFolderButton = MakeButton(this, "baseFolderButton", QStringLiteral("基準フォルダ指定"),
                                  QRect(409 - 5 - 120, 12, 120, 28));
    connect(baseFolderButton, &QPushButton::clicked, this, &MainWindow::ChooseBaseFolder);

    BuildProcessingScreen();
    BuildSelectionScreen();

    manualLink = new ClickableLabel(QStringLiteral("使い方の説明はこちら"), bottomPanel);
    manualLink->setObjectName(QStringLiteral("manualLink"));
    QFont linkFont = manualLink->font();
    linkFont.setBold(true);
    manualLink->setFont(linkFont);
    manualLink->setStyleSheet(QStringLiteral("color: #0000FF;"));
    manualLink->setCursor(Qt::PointingHandCursor);
    manualLink->adjustSize();
    manualLink->move(10, 16);
    connect(manualLink, &ClickableLabel::clicked, this, &MainWindow::OpenManual);

    versionLabel = new QLabel(
        QStringLiteral("Ver.") + QString::fromStdString(GetFileVersionString()), bottomPanel);
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    versionLabel->adjustSize();
    versionLabel->move(200, 16);

    closeAction->setText(QStringLiteral("終了"));

    logic_ = std::make_unique<MainScreen>(services.ini, services.boxes, *links_, services.shell,
                                          *links_);
    Act([&] { logic_->Start(services.arguments); });
    FinishCreation();
}

MainWindow::~MainWindow() = default;

void MainWindow::SetProgress(IProgress* progress) {
    links_->progress = progress;
}

void MainWindow::SetBaseFolderDialog(IBaseFolderDialog* dialog) {
    links_->baseDialog = dialog;
}

void MainWindow::BuildSelectionScreen() {
    // Covers contentPanel while no file is selected.
    selectionPanel = new DropPanel(this, QStringLiteral("selectionPanel"));
    selectionPanel->SetColor(kPanelGrey);
    selectionPanel->setGeometry(contentPanel->geometry());
    connect(selectionPanel, &DropPanel::FileDrop, this, &MainWindow::DropFiles);

    clickHereLabel = MakeLabel(selectionPanel, "clickHereLabel",
                               QStringLiteral("このボタンをクリックして"), 16, 20);
    choosePicturesButton =
        MakeButton(selectionPanel, "choosePicturesButton", QStringLiteral("縮小する画像を選択する"),
                   QRect(170, 12, 220, 30));
    connect(choosePicturesButton, &QPushButton::clicked, this, &MainWindow::ChoosePictures);
    orLabel = MakeLabel(selectionPanel, "orLabel", QStringLiteral("もしくは"), 16, 52);

    dropIntoLabel =
        MakeLabel(selectionPanel, "dropIntoLabel", QStringLiteral("下の白い枠の中に"), 16, 74);
    int x = 16;
    const int y = 94;
    pictureFilesLabel =
        MakeLabel(selectionPanel, "pictureFilesLabel", QStringLiteral("画像ファイル"), x, y, true);
    x += pictureFilesLabel->width();
    andLabel = MakeLabel(selectionPanel, "andLabel", QStringLiteral("や"), x, y);
    x += andLabel->width();
    picturesFolderLabel = MakeLabel(selectionPanel, "picturesFolderLabel",
                                    QStringLiteral("画像ファイルの入ったフォルダ"), x, y, true);
    x += picturesFolderLabel->width();
    dropPleaseLabel =
        MakeLabel(selectionPanel, "dropPleaseLabel", QStringLiteral("をドロップして下さい"), x, y);

    dropBox = new DropPanel(selectionPanel, QStringLiteral("dropBox"));
    dropBox->SetColor(Qt::white);
    dropBox->setFrameShape(QFrame::Box);
    dropBox->setGeometry((409 - 251) / 2, 120, 251, 73);
    connect(dropBox, &DropPanel::FileDrop, this, &MainWindow::DropFiles);

    lastFolderButton =
        MakeButton(selectionPanel, "lastFolderButton", QStringLiteral("前回使用したフォルダを表示"),
                   QRect((409 - 251) / 2, 208, 251, 30));
    lastFolderButton->hide();
    connect(lastFolderButton, &QPushButton::clicked, this, &MainWindow::OpenLastSourceFolder);
}

void MainWindow::BuildProcessingScreen() {
    contentPanel->SetColor(kPanelGrey);
    folderNameGroup = new QGroupBox(
        QStringLiteral(" 1．保存するフォルダに名前を付けて下さい（物件No.等）"), contentPanel);
    folderNameGroup->setObjectName(QStringLiteral("folderNameGroup"));
    folderNameGroup->setGeometry(8, 8, 393, 78 + kOutputSizeRowHeight);
    folderNameCombo = new QComboBox(folderNameGroup);
    folderNameCombo->setObjectName(QStringLiteral("folderNameCombo"));
    folderNameCombo->setEditable(true);
    folderNameCombo->setInsertPolicy(QComboBox::NoInsert);
    folderNameCombo->setCompleter(nullptr);
    folderNameCombo->setFont(InterfaceFont(16));
    folderNameCombo->setGeometry(14, 32, 365, 30);
    SetFieldColor(folderNameCombo, Qt::white);
    connect(folderNameCombo->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        Act([&] { logic_->FolderNameTyped(text.toStdString()); });
    });
    connect(folderNameCombo, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Act([&] { logic_->FolderNamePicked(index); }); });

    outputSizeLabel =
        MakeLabel(folderNameGroup, "outputSizeLabel", QStringLiteral("出力サイズ"), 14, 76);
    outputSizeCombo = new QComboBox(folderNameGroup);
    outputSizeCombo->setObjectName(QStringLiteral("outputSizeCombo"));
    outputSizeCombo->setGeometry(84, 70, 243, 28);
    // A long label is cut in the field; the open list shows it whole.
    outputSizeCombo->view()->setMinimumWidth(365);
    connect(outputSizeCombo, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Act([&] { logic_->OutputSizePicked(index); }); });
    outputSizesButton = MakeButton(folderNameGroup, "outputSizesButton", QStringLiteral("編集"),
                                   QRect(331, 70, 48, 28));
    connect(outputSizesButton, &QPushButton::clicked, this, &MainWindow::EditOutputSizes);

    runGroup = new QGroupBox(QStringLiteral(" 2．処理を選択して下さい"), contentPanel);
    runGroup->setObjectName(QStringLiteral("runGroup"));
    runGroup->setGeometry(8, 94 + kOutputSizeRowHeight, 393, 150);
    autoRunButton =
        MakeButton(runGroup, "autoRunButton", QStringLiteral("縮小だけして保存（全自動）"),
                   QRect(14, 28, 365, 48));
    editedRunButton =
        MakeButton(runGroup, "editedRunButton",
                   QStringLiteral("切り抜き・回転等の画像処理をして保存"), QRect(14, 88, 365, 48));
    connect(autoRunButton, &QPushButton::clicked, this, &MainWindow::RunAutomatic);
    connect(editedRunButton, &QPushButton::clicked, this, &MainWindow::RunEdited);
    runGroup->hide();
}

void MainWindow::Act(const std::function<void()>& action) {
    // The screen shows the logic's state also when the action failed part way.
    Guarded(action);
    ShowState();
}

void MainWindow::ShowState() {
    const MainScreen& logic = *logic_;
    SetTitle(QString::fromStdString(logic.Title()));
    setWindowTitle(QString::fromStdString(logic.Caption()));
    lastFolderButton->setVisible(logic.LastFolderButtonVisible());
    selectionPanel->setVisible(!logic.ProcessingScreen());

    QStringList items;
    for (const std::string& item : logic.ComboItems()) items << QString::fromStdString(item);
    const QSignalBlocker blocker(folderNameCombo);
    QStringList shown;
    for (int i = 0; i < folderNameCombo->count(); ++i) shown << folderNameCombo->itemText(i);
    if (shown != items) {
        folderNameCombo->clear();
        folderNameCombo->addItems(items);
    }
    if (folderNameCombo->currentIndex() != logic.ComboIndex())
        folderNameCombo->setCurrentIndex(logic.ComboIndex());
    const QString text = QString::fromStdString(logic.ComboText());
    if (folderNameCombo->currentText() != text) folderNameCombo->setEditText(text);
    QStringList sizeItems;
    for (const std::string& item : logic.OutputSizeItems())
        sizeItems << QString::fromStdString(item);
    const QSignalBlocker sizeBlocker(outputSizeCombo);
    QStringList sizesShown;
    for (int i = 0; i < outputSizeCombo->count(); ++i) sizesShown << outputSizeCombo->itemText(i);
    if (sizesShown != sizeItems) {
        outputSizeCombo->clear();
        outputSizeCombo->addItems(sizeItems);
    }
    if (outputSizeCombo->currentIndex() != logic.OutputSizeIndex())
        outputSizeCombo->setCurrentIndex(logic.OutputSizeIndex());
    outputSizeCombo->setToolTip(outputSizeCombo->currentText());
    runGroup->setVisible(logic.RunGroupVisible());
    if (logic_->FocusComboRequested()) {
        logic_->FocusComboDone();
        if (logic.ProcessingScreen()) folderNameCombo->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    CommonWindow::closeEvent(event);
}

void MainWindow::DropFiles(DropPanel* sender) {
    Act([&] { logic_->DropFiles(sender->FileList); });
}

void MainWindow::RunAutomatic() {
    Act([&] { logic_->RunAutomatic(); });
}

void MainWindow::RunEdited() {
    if (editedRun_) Act([&] { editedRun_(*logic_); });
}

void MainWindow::ChooseBaseFolder() {
    Act([&] { links_->ShowBaseFolderDialog(); });
}

void MainWindow::OpenLastSourceFolder() {
    Act([&] { logic_->OpenLastSourceFolder(); });
}

void MainWindow::ChoosePictures() {
    const QString initial =
        QString::fromStdString(ini_.ReadString(kPathSection, kLastSourcePathKey, ""));
    const std::vector<std::string> chosen =
        openPictures_ ? openPictures_(initial) : RunOpenPictureDialog(this, initial);
    if (chosen.empty()) return;
    Act([&] { logic_->AddChosenFiles(chosen); });
}

void MainWindow::EditOutputSizes() {
    OutputSizesDialog dialog(logic_->UserOutputSizes(), this);
    if (editOutputSizes_) {
        editOutputSizes_(dialog);
    } else {
        dialog.exec();
    }
    Act([&] { logic_->SetUserOutputSizes(dialog.Sizes()); });
}

void MainWindow::OpenManual() {
    const QString programFolder = QCoreApplication::applicationDirPath();
    const std::optional<QString> manual = FindManual(programFolder);
    if (!manual) {
        std::string places;
        for (const QString& place : ManualPlaces(programFolder))
            places += "\n" + QDir::cleanPath(place).toStdString();
        boxes_.ShowError(kManualMissingMessage + places);
        return;
    }
    shell_.OpenUrl(QUrl::fromLocalFile(*manual).toString().toStdString());
}

QStringList ManualPlaces(const QString& programFolder) {
    const QDir folder(programFolder);
    return {folder.filePath(QStringLiteral("../share/pictorel/manual/manual.html")),
            folder.filePath(QStringLiteral("manual/manual.html"))};
}

std::optional<QString> FindManual(const QString& programFolder) {
    for (const QString& place : ManualPlaces(programFolder))
        if (QFileInfo(place).isFile()) return QDir::cleanPath(QFileInfo(place).absoluteFilePath());
    return std::nullopt;
}

}  // namespace pictorel
