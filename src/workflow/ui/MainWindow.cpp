#include "workflow/ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QUrl>

#include "app/ui/UncaughtError.h"
#include "workflow/FileUtils.h"
#include "workflow/ui/OpenPictureDialog.h"

#ifndef PICTOREL_MANUAL_SOURCE
#define PICTOREL_MANUAL_SOURCE ""
#endif

namespace pictorel {

namespace {

const QColor kTitleColour(0xA8, 0xD8, 0xF0);
const QColor kPanelGrey(0xD4, 0xD0, 0xC8);

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
    void ShowBaseFolderDialog() override {
        if (baseDialog != nullptr) baseDialog->ShowBaseFolderDialog();
    }
};

MainWindow::MainWindow(Services services)
    : CommonWindow(nullptr,
                   Options{QStringLiteral("FMain"), QSize(409, 345), services.iniPath, true}),
      links_(std::make_unique<Links>()),
      shell_(services.shell),
      openPictures_(std::move(services.openPictures)),
      ini_(services.ini) {
    SetTitleColor(kTitleColour);

    SpeedButton3 = MakeButton(this, "SpeedButton3", QStringLiteral("基準フォルダ指定"),
                              QRect(409 - 5 - 120, 12, 120, 28));
    connect(SpeedButton3, &QPushButton::clicked, this, &MainWindow::SpeedButton3Click);

    BuildProcessingScreen();
    BuildSelectionScreen();

    Label9 = new ClickableLabel(QStringLiteral("使い方の説明はこちら"), PanelBottom);
    Label9->setObjectName(QStringLiteral("Label9"));
    QFont linkFont = Label9->font();
    linkFont.setBold(true);
    Label9->setFont(linkFont);
    Label9->setStyleSheet(QStringLiteral("color: #0000FF;"));
    Label9->setCursor(Qt::PointingHandCursor);
    Label9->adjustSize();
    Label9->move(10, 16);
    connect(Label9, &ClickableLabel::clicked, this, &MainWindow::Label9Click);

    Label6 = new QLabel(QStringLiteral("Ver.") + QString::fromStdString(GetFileVersionString()),
                        PanelBottom);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->adjustSize();
    Label6->move(200, 16);

    CloseForm->setText(QStringLiteral("終了"));

    logic_ = std::make_unique<MainScreen>(services.ini, services.boxes, *links_, services.shell,
                                          *links_, services.editor);
    Act([&] { logic_->FormCreate(services.arguments); });
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
    // Covers PanelDetail while no file is selected.
    PanelFileDrop = new DropPanel(this, QStringLiteral("PanelFileDrop"));
    PanelFileDrop->SetColor(kPanelGrey);
    PanelFileDrop->setGeometry(PanelDetail->geometry());
    connect(PanelFileDrop, &DropPanel::FileDrop, this, &MainWindow::PanelFileDropFileDrop);

    Label7 = MakeLabel(PanelFileDrop, "Label7", QStringLiteral("このボタンをクリックして"), 16, 20);
    SpeedButton5 = MakeButton(PanelFileDrop, "SpeedButton5",
                              QStringLiteral("縮小する画像を選択する"), QRect(170, 12, 220, 30));
    connect(SpeedButton5, &QPushButton::clicked, this, &MainWindow::SpeedButton5Click);
    Label8 = MakeLabel(PanelFileDrop, "Label8", QStringLiteral("もしくは"), 16, 52);

    Label1 = MakeLabel(PanelFileDrop, "Label1", QStringLiteral("下の白い枠の中に"), 16, 74);
    int x = 16;
    const int y = 94;
    Label4 = MakeLabel(PanelFileDrop, "Label4", QStringLiteral("画像ファイル"), x, y, true);
    x += Label4->width();
    Label5 = MakeLabel(PanelFileDrop, "Label5", QStringLiteral("や"), x, y);
    x += Label5->width();
    Label3 = MakeLabel(PanelFileDrop, "Label3", QStringLiteral("画像ファイルの入ったフォルダ"), x,
                       y, true);
    x += Label3->width();
    Label2 = MakeLabel(PanelFileDrop, "Label2", QStringLiteral("をドロップして下さい"), x, y);

    DDPanel1 = new DropPanel(PanelFileDrop, QStringLiteral("DDPanel1"));
    DDPanel1->SetColor(Qt::white);
    DDPanel1->setFrameShape(QFrame::Box);
    DDPanel1->setGeometry((409 - 251) / 2, 120, 251, 73);
    connect(DDPanel1, &DropPanel::FileDrop, this, &MainWindow::PanelFileDropFileDrop);

    SpeedButton4 =
        MakeButton(PanelFileDrop, "SpeedButton4", QStringLiteral("前回使用したフォルダを表示"),
                   QRect((409 - 251) / 2, 208, 251, 30));
    SpeedButton4->hide();
    connect(SpeedButton4, &QPushButton::clicked, this, &MainWindow::SpeedButton4Click);
}

void MainWindow::BuildProcessingScreen() {
    PanelDetail->SetColor(kPanelGrey);
    GroupBox1 = new QGroupBox(
        QStringLiteral(" 1．保存するフォルダに名前を付けて下さい（物件No.等）"), PanelDetail);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 393, 78);
    EditNewFolder = new QComboBox(GroupBox1);
    EditNewFolder->setObjectName(QStringLiteral("EditNewFolder"));
    EditNewFolder->setEditable(true);
    EditNewFolder->setInsertPolicy(QComboBox::NoInsert);
    EditNewFolder->setCompleter(nullptr);
    EditNewFolder->setFont(InterfaceFont(16));
    EditNewFolder->setGeometry(14, 32, 365, 30);
    SetFieldColor(EditNewFolder, Qt::white);
    connect(EditNewFolder->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        Act([&] { logic_->EditNewFolderTyped(text.toStdString()); });
    });
    connect(EditNewFolder, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Act([&] { logic_->EditNewFolderPicked(index); }); });

    GroupBox2 = new QGroupBox(QStringLiteral(" 2．処理を選択して下さい"), PanelDetail);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 94, 393, 150);
    SpeedButton1 = MakeButton(GroupBox2, "SpeedButton1",
                              QStringLiteral("縮小だけして保存（全自動）"), QRect(14, 28, 365, 48));
    SpeedButton2 =
        MakeButton(GroupBox2, "SpeedButton2",
                   QStringLiteral("切り抜き・回転等の画像処理をして保存"), QRect(14, 88, 365, 48));
    connect(SpeedButton1, &QPushButton::clicked, this, &MainWindow::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &MainWindow::SpeedButton2Click);
    GroupBox2->hide();
}

void MainWindow::Act(const std::function<void()>& action) {
    // The screen shows the logic's state also when the action failed part way.
    Guarded(action);
    ShowState();
}

void MainWindow::ShowState() {
    const MainScreen& logic = *logic_;
    SetTitle(QString::fromStdString(logic.Title));
    setWindowTitle(QString::fromStdString(logic.Caption));
    SpeedButton4->setVisible(logic.SpeedButton4Visible);
    PanelFileDrop->setVisible(!logic.ProcessingScreen);

    QStringList items;
    for (const std::string& item : logic.ComboItems) items << QString::fromStdString(item);
    const QSignalBlocker blocker(EditNewFolder);
    QStringList shown;
    for (int i = 0; i < EditNewFolder->count(); ++i) shown << EditNewFolder->itemText(i);
    if (shown != items) {
        EditNewFolder->clear();
        EditNewFolder->addItems(items);
    }
    if (EditNewFolder->currentIndex() != logic.ComboIndex)
        EditNewFolder->setCurrentIndex(logic.ComboIndex);
    const QString text = QString::fromStdString(logic.ComboText);
    if (EditNewFolder->currentText() != text) EditNewFolder->setEditText(text);
    GroupBox2->setVisible(logic.RunGroupVisible);
    if (logic_->FocusComboRequested) {
        logic_->FocusComboRequested = false;
        if (logic.ProcessingScreen) EditNewFolder->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    CommonWindow::closeEvent(event);
}

void MainWindow::PanelFileDropFileDrop(DropPanel* sender) {
    Act([&] { logic_->PanelFileDropFileDrop(sender->FileList); });
}

void MainWindow::SpeedButton1Click() {
    Act([&] { logic_->SpeedButton1Click(); });
}

void MainWindow::SpeedButton2Click() {
    if (editedRun_) Act([&] { editedRun_(*logic_); });
}

void MainWindow::SpeedButton3Click() {
    Act([&] { links_->ShowBaseFolderDialog(); });
}

void MainWindow::SpeedButton4Click() {
    Act([&] { logic_->SpeedButton4Click(); });
}

void MainWindow::SpeedButton5Click() {
    const QString initial = QString::fromStdString(ini_.ReadString("Path", "LastSourcePath", ""));
    const std::vector<std::string> chosen =
        openPictures_ ? openPictures_(initial) : RunOpenPictureDialog(this, initial);
    if (chosen.empty()) return;
    Act([&] { logic_->AddChosenFiles(chosen); });
}

void MainWindow::Label9Click() {
    shell_.OpenUrl(ManualUrl().toStdString());
}

QString ManualUrl() {
    const QString installed = QDir(QCoreApplication::applicationDirPath())
                                  .filePath(QStringLiteral("../share/doc/pictorel/manual.html"));
    if (QFileInfo::exists(installed))
        return QUrl::fromLocalFile(QDir::cleanPath(installed)).toString();
    return QUrl::fromLocalFile(QStringLiteral(PICTOREL_MANUAL_SOURCE)).toString();
}

}  // namespace pictorel
