#include "app/mainwindow.h"

#include "app/radiogroup.h"
#include "components/componenterror.h"
#include "dialogs/aboutbox.h"
#include "dialogs/folderdialog.h"
#include "platform/ishell.h"
#include "platform/iuserprompt.h"
#include "settings/applyencodersettings.h"
#include "settings/mainkeys.h"
#include "settings/rmkeys.h"
#include "settings/settingsfile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QUrl>

namespace {

const QStringList& formatNames() {
    static const QStringList names{QStringLiteral("MP3"), QStringLiteral("WAV"),
                                   QStringLiteral("WMA"), QStringLiteral("OGG"),
                                   QStringLiteral("RM")};
    return names;
}

constexpr const char* Unconverted = "Unconverter";

// Drawn on the skin's dark panels: light labels, light fields.
constexpr const char* StyleSheet = R"(
QGroupBox { color: #e3eef8; border: 1px solid #3c6488; border-radius: 5px;
            margin-top: 7px; background: rgba(16, 32, 50, 150); font-weight: bold; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }
QRadioButton, QLabel { color: #e3eef8; font-weight: normal; background: transparent; }
QRadioButton::indicator { width: 11px; height: 11px; border-radius: 6px;
                          border: 1px solid #9cc3e6; background: #0f1c2b; }
QRadioButton::indicator:checked { border: 1px solid #cfe8ff;
    background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,
                                stop:0 #bfe6ff, stop:0.45 #4fb3ff, stop:0.55 #0f1c2b); }
QRadioButton:disabled, QGroupBox:disabled { color: #7f94a8; }
QLineEdit { background: #f4f8fc; color: #10202f; border: 1px solid #5b8cb8;
            border-radius: 3px; padding: 1px 3px; }
QPushButton { color: #f0f6fc; background: #2f5a82; border: 1px solid #5b8cb8;
              border-radius: 3px; padding: 2px 6px; }
QPushButton:hover { background: #3d6c98; }
QPushButton:pressed { background: #1f3f5e; }
QComboBox { background: #f4f8fc; color: #10202f; border: 1px solid #5b8cb8;
            border-radius: 3px; padding: 1px 4px; }
QTreeWidget { background: #fbfdff; color: #10202f; border: 1px solid #3c6488;
              gridline-color: #d5e2ee; alternate-background-color: #eef4fa; }
QHeaderView::section { background: #dbe7f2; color: #10202f; border: 0;
                       border-right: 1px solid #b9cde0; border-bottom: 1px solid #b9cde0;
                       padding: 2px 4px; }
)";

} // namespace

MainWindow::MainWindow(AudioComponentSet componentSet, IUserPrompt& prompt, IShell& shell,
                       const QString& settingsPath, const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      components(std::move(componentSet)), commands(state, *this), m_prompt(prompt), m_shell(shell),
      m_settingsPath(settingsPath), m_programFolder(programFolder) {
    setObjectName(QStringLiteral("fm_main"));
    setWindowTitle(QStringLiteral("Orvelle"));
    setWindowIcon(QIcon(QStringLiteral(":/orvelle/orvelle-icon.svg")));
    setFixedSize(DesignWidth, DesignHeight);
    createControls();
    // Styled one by one, so that message boxes over the window keep the desktop's look.
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setStyleSheet(QLatin1String(StyleSheet));
    createMenus();
    // The other windows are made after the main window, hidden, and live as long.
    FreeDbWindow = new FolderDialog(this);
    FreeDbWindow->setObjectName(QStringLiteral("FreeDbWindow"));
    connect(FreeDbWindow, &FolderDialog::retryClicked, this, &MainWindow::edt_retryClick);
    fm_about = new AboutBox(m_shell, this);
    connectComponents();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
    lv = new QTreeWidget(this);
    lv->setObjectName(QStringLiteral("lv"));
    lv->setGeometry(10, 92, 424, 236);
    lv->setColumnCount(5);
    lv->setHeaderLabels({QStringLiteral("File  Name"), QStringLiteral("Time"),
                         QStringLiteral("Target"), QStringLiteral("Status"),
                         QStringLiteral("Path")});
    lv->setColumnWidth(ColName, 100);
    lv->setColumnWidth(ColTime, 80);
    lv->setColumnWidth(ColTarget, 60);
    lv->setColumnWidth(ColStatus, 80);
    lv->setColumnHidden(ColPath, true);
    lv->setRootIsDecorated(false);
    lv->setItemsExpandable(false);
    lv->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lv->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv->setAlternatingRowColors(true);
    lv->setUniformRowHeights(true);
    lv->header()->setSectionsClickable(false);
    lv->header()->setSectionsMovable(false);
    lv->header()->setStretchLastSection(false);
    lv->setContextMenuPolicy(Qt::CustomContextMenu);
    lv->viewport()->installEventFilter(this);
    connect(lv, &QTreeWidget::itemClicked, this, [this] { lvClick(); });
    connect(lv, &QTreeWidget::itemDoubleClicked, this, [this] { lvDblClick(); });
    connect(lv, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu2->popup(lv->viewport()->mapToGlobal(pos)); });

    cb_or = new QComboBox(lv->viewport());
    cb_or->setObjectName(QStringLiteral("cb_or"));
    cb_or->addItems(formatNames());
    cb_or->hide();
    cb_or->installEventFilter(this);

    rg_function =
        new RadioGroup(QStringLiteral("Function Choice"),
                       {QStringLiteral("CD Ripper"), QStringLiteral("Converter")}, 2, this);
    rg_function->setObjectName(QStringLiteral("rg_function"));
    rg_function->setGeometry(442, 88, 206, 44);
    rg_function->setItemIndex(CdRipper);
    connect(rg_function, &RadioGroup::clicked, this, &MainWindow::rg_functionClick);

    QStringList formats = formatNames();
    formats << QStringLiteral("SET");
    rg_format = new RadioGroup(QStringLiteral("Output Format:"), formats, 3, this);
    rg_format->setObjectName(QStringLiteral("rg_format"));
    rg_format->setGeometry(442, 134, 206, 66);
    rg_format->setItemIndex(FormatMp3);
    connect(rg_format, &RadioGroup::clicked, this, &MainWindow::rg_formatClick);

    auto* tagGroup = new QGroupBox(QStringLiteral("TAG Edit"), this);
    tagGroup->setGeometry(442, 202, 206, 126);
    const auto tagRow = [&](int top, const QString& label, const char* editName,
                            const char* buttonName, QLineEdit** edit, QPushButton** button) {
        auto* caption = new QLabel(label, tagGroup);
        caption->setGeometry(8, top + 3, 46, 18);
        *edit = new QLineEdit(tagGroup);
        (*edit)->setObjectName(QLatin1String(editName));
        (*edit)->setGeometry(54, top, 104, 24);
        *button = new QPushButton(QStringLiteral("All"), tagGroup);
        (*button)->setObjectName(QLatin1String(buttonName));
        (*button)->setGeometry(162, top, 36, 24);
    };
    tagRow(22, QStringLiteral("Title: "), "edt_tital", "bu_tital", &edt_tital, &bu_tital);
    tagRow(56, QStringLiteral("Artist: "), "edt_Artist", "bt_artist", &edt_Artist, &bt_artist);
    tagRow(90, QStringLiteral("Album: "), "edt_album", "bt_album", &edt_album, &bt_album);
    for (QLineEdit* edit : {edt_tital, edt_Artist, edt_album})
        edit->installEventFilter(this);
    connect(bu_tital, &QPushButton::clicked, this, &MainWindow::bu_titalClick);
    connect(bt_artist, &QPushButton::clicked, this, &MainWindow::bt_artistClick);
    connect(bt_album, &QPushButton::clicked, this, &MainWindow::bt_albumClick);

    auto* pathGroup = new QGroupBox(QStringLiteral("Output Path:"), this);
    pathGroup->setGeometry(10, 334, 638, 66);
    edt_dir = new QLineEdit(defaultOutputPath(), pathGroup);
    edt_dir->setObjectName(QStringLiteral("edt_dir"));
    edt_dir->setGeometry(10, 16, 574, 22);
    bt_dir = new QPushButton(QStringLiteral("..."), pathGroup);
    bt_dir->setObjectName(QStringLiteral("bt_dir"));
    bt_dir->setGeometry(590, 15, 38, 24);
    connect(bt_dir, &QPushButton::clicked, this, &MainWindow::bt_dirClick);
    const auto schemeButton = [&](const QString& text, const char* name, int left) {
        auto* button = new QRadioButton(text, pathGroup);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(left, 42, 110, 20);
        return button;
    };
    rb_none = schemeButton(QStringLiteral("None"), "rb_none", 12);
    rb_artist = schemeButton(QStringLiteral("Artist"), "rb_artist", 132);
    rb_album = schemeButton(QStringLiteral("Album"), "rb_album", 252);
    rb_mix = schemeButton(QStringLiteral("Artist/Album"), "rb_mix", 372);
    rb_none->setChecked(true);
    // Programmatic checks count as clicks, as the scheme follows the buttons.
    connect(rb_none, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rb_noneClick();
    });
    connect(rb_artist, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rb_artistClick();
    });
    connect(rb_album, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rb_albumClick();
    });
    connect(rb_mix, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rb_mixClick();
    });

    cb_driver = new QComboBox(this);
    cb_driver->setObjectName(QStringLiteral("cb_driver"));
    cb_driver->setGeometry(516, 58, 128, 22);
    connect(cb_driver, QOverload<int>::of(&QComboBox::activated), this,
            &MainWindow::cb_driverChange);
}

void MainWindow::createMenus() {
    using Item = CommandSurface::MenuItem;
    const auto add = [this](QMenu* menu, const QString& caption, const char* name, Item item) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, item] { commands.MenuClick(item); });
    };

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    add(PopupMenu1, QStringLiteral("Add File"), "AddFile1", Item::AddFile);
    add(PopupMenu1, QStringLiteral("Add Folder"), "AddFolder1", Item::AddFolder);
    add(PopupMenu1, QStringLiteral("Remove"), "Remove1", Item::Remove);
    add(PopupMenu1, QStringLiteral("Clear"), "Clear1", Item::Clear);
    PopupMenu1->addSeparator();
    add(PopupMenu1, QStringLiteral("Refresh"), "Refresh1", Item::Refresh);
    add(PopupMenu1, QStringLiteral("FreeDB"), "FreeDB1", Item::FreeDB);
    PopupMenu1->addSeparator();
    add(PopupMenu1, QStringLiteral("Start"), "Start1", Item::Start);
    add(PopupMenu1, QStringLiteral("Stop"), "Stop1", Item::Stop);
    PopupMenu1->addSeparator();
    add(PopupMenu1, QStringLiteral("Exit"), "Exit1", Item::Exit);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    add(PopupMenu2, QStringLiteral("Select All"), "SelectAll1", Item::SelectAll);
    add(PopupMenu2, QStringLiteral("Unselect All"), "UnselectAll1", Item::UnselectAll);
    PopupMenu2->addSeparator();
    add(PopupMenu2, QStringLiteral("Add File"), "AddFile2", Item::ListAddFile);
    add(PopupMenu2, QStringLiteral("Add Folder"), "AddFolder2", Item::ListAddFolder);
    add(PopupMenu2, QStringLiteral("Remove File"), "RemoveFile1", Item::RemoveFile);
    add(PopupMenu2, QStringLiteral("Clear List"), "ClearList1", Item::ClearList);
    PopupMenu2->addSeparator();
    add(PopupMenu2, QStringLiteral("Play"), "Play2", Item::Play);
    add(PopupMenu2, QStringLiteral("Stop"), "Stop3", Item::StopPlay);

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    add(PopupMenu3, QStringLiteral("Content"), "Content1", Item::Content);
    add(PopupMenu3, QStringLiteral("Flash Demos"), "FlashDemos1", Item::FlashDemos);
    add(PopupMenu3, QStringLiteral("Visit our web"), "Visitourweb1", Item::VisitWeb);
    PopupMenu3->addSeparator();
    add(PopupMenu3, QStringLiteral("About"), "About1", Item::About);
}

void MainWindow::connectComponents() {
    if (ISkin* skin = components.Skin1.get()) {
        connect(skin, &ISkin::OnClick, this,
                [this](ISkinObject* source) { commands.Skin1Click(source->GetName()); });
        connect(skin, &ISkin::OnMouseDown, this, [this](ISkinObject* source, int, int, int) {
            commands.Skin1MouseDown(source->GetName());
        });
        connect(skin, &ISkin::OnMouseUp, this, [this](ISkinObject* source, int, int, int) {
            commands.Skin1MouseUp(source->GetName());
        });
    }
    if (IAudioCDGrabber2* grabber = components.AudioCDGrabber21.get()) {
        connect(grabber, &IAudioCDGrabber2::OnMediaChange, this,
                &MainWindow::AudioCDGrabber21MediaChange);
        connect(grabber, &IAudioCDGrabber2::OnFreeDBQueryStatus, this,
                &MainWindow::AudioCDGrabber21FreeDBQueryStatus);
    }
}

// ---------------------------------------------------------------- start-up

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_initialised) {
        m_initialised = true;
        // Once the window is on the screen, so that start-up messages appear over it.
        QMetaObject::invokeMethod(this, &MainWindow::FormShow, Qt::QueuedConnection);
    }
}

void MainWindow::FormShow() {
    state.JobRunning = false;
    state.ShowFreeDbWindow = false;
    state.SliderFollowsPlayback = true;
    state.PlaybackActive = false;
    state.CurrentRow = -1;

    skinWindow();
    LoadMainOptions();
    fillRmCodecList();

    // A machine without any CD drive has no disc to take out; the drive
    // question below tells that user what matters.
    const bool anyDrive = !components.DriveLayer->CdDrives().isEmpty();
    if (anyDrive && !IsAudioCdPresent())
        m_prompt.Information(QStringLiteral("The disc is not Audio CD, Please take out disc!"));

    DetectDrives();
    ApplyCdReadingOptions();

    if (rg_function->itemIndex() != CdRipper) {
        rg_functionClick();
    } else if (cb_driver->count() > 0) {
        RefreshTrackTable();
        state.FreeDbQueryFlag = 1;
        StartFreeDbLookup();
    } else {
        // No drive: the CD branch has nothing to read; the commands still answer.
        state.FreeDbQueryFlag = 1;
    }

    components.AudioFileRead->ResetFormat(-1);
    OutputWriter->ResetFormat(-1);
}

void MainWindow::skinWindow() {
    ISkin* skin = components.Skin1.get();
    skin->LoadSkin(m_programFolder + QStringLiteral("/mp3enc.dll"));
    skin->ApplySkin(this);
    skin->ApplySkinForm(this, QStringLiteral("Orvelle"));
    PositionSlider = nullptr;
    PositionSliderView = nullptr;
    if (ISkinForm* form = skin->GetSkinnedForm(this)) {
        if (ISkinObject* slider = form->GetSkinObject(QStringLiteral("pb"))) {
            PositionSlider = slider->QueryPositionSlider();
            PositionSliderView = slider->QueryPositionSliderView();
        }
    }
}

void MainWindow::fillRmCodecList() {
    IVideoFile* video = components.VideoFile1.get();
    rmCodecNames.clear();
    const int count = video->GetRmCodecCount();
    for (int i = 1; i <= count; ++i)
        rmCodecNames << video->GetRmCodecName(i);
    rmCodecIndex = -1;
    if (count > 0) {
        const int stored = m_settings->read(RmKeys::Format);
        rmCodecIndex = stored >= 0 && stored < count ? stored : -1;
    }
}

void MainWindow::LoadMainOptions() {
    m_settings = std::make_unique<SettingsFile>(m_settingsPath);
    // A stored choice outside its list falls back to the default: the last
    // format item is the "SET" command, which must never be chosen at start.
    rg_function->setItemIndex(m_settings->readPosition(MainKeys::Function, rg_function->count()));
    rg_format->setItemIndex(m_settings->readPosition(MainKeys::Format, FormatSet));
    state.LastFormat = m_settings->readPosition(MainKeys::Format, FormatSet);
    const int scheme = m_settings->read(MainKeys::Output);
    state.FolderScheme = scheme;
    QRadioButton* buttons[] = {rb_none, rb_artist, rb_album, rb_mix};
    if (scheme >= 0 && scheme <= 3)
        buttons[scheme]->setChecked(true);
    edt_dir->setText(m_settings->ini().readString(QLatin1String(MainKeys::PathSection),
                                                  QLatin1String(MainKeys::PathName),
                                                  defaultOutputPath()));
}

void MainWindow::SaveMainOptions() {
    if (!m_settings)
        return;
    m_settings->write(MainKeys::Function, rg_function->itemIndex());
    m_settings->write(MainKeys::Format, rg_format->itemIndex());
    m_settings->write(MainKeys::Output, state.FolderScheme);
    m_settings->ini().writeString(QLatin1String(MainKeys::PathSection),
                                  QLatin1String(MainKeys::PathName), edt_dir->text());
    m_settings.reset();
}

// ---------------------------------------------------------------- close

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_closed) {
        m_closed = true;
        FormCloseQuery();
    }
    QWidget::closeEvent(event);
}

void MainWindow::FormCloseQuery() {
    // A running job reads settings as it goes: stop it before they are released.
    if (state.JobRunning)
        StopJob();
    if (state.PlaybackActive)
        StopPreview();
    FreeDbWindow->hide();
    SaveMainOptions();
}

void MainWindow::CloseMainWindow() {
    close();
}

// ---------------------------------------------------------------- message hook

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lv->viewport() && event->type() == QEvent::MouseButtonPress) {
        lvMouseDown(static_cast<QMouseEvent*>(event)->position().toPoint());
    } else if (watched == cb_or) {
        if (event->type() == QEvent::FocusOut && cb_or->isVisible() && !cb_or->view()->isVisible())
            cb_orExit();
        else if (event->type() == QEvent::KeyPress)
            cb_orKeyDown(static_cast<QKeyEvent*>(event)->key());
    } else if (event->type() == QEvent::FocusOut) {
        if (watched == edt_tital)
            edt_titalExit();
        else if (watched == edt_Artist)
            edt_ArtistExit();
        else if (watched == edt_album)
            edt_albumExit();
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::hideFormatEditor() {
    cb_or->hide();
}

// ---------------------------------------------------------------- CD drives

QString MainWindow::FormatTwoDigits(int n) {
    return n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
}

void MainWindow::DetectDrives() {
    IAudioCDGrabber2* grabber = components.AudioCDGrabber21.get();
    grabber->Initialize();
    const int count = grabber->GetDriveCount();
    if (count <= 0 &&
        m_prompt.Question(QStringLiteral(
            "Can not detect CD-ROM device,download ASPI driver program and install it. it will "
            "probably fix the problems. Download it? ")))
        m_shell.OpenUrl(helpFileUrl().resolved(QUrl(QStringLiteral("#cd-access"))));
    OutputWriter = grabber->GetOutputFile();
    // Most machines have no drive today; the converter works without one.
    if (count <= 0)
        return;
    for (int drive = 1; drive <= count; ++drive) {
        grabber->SetCurrentDrive(drive);
        const QString id = grabber->GetDriveId();
        const QString vendor = grabber->GetDriveVendor();
        const QString product = grabber->GetDriveProduct();
        const QString revision = grabber->GetDriveRevision();
        cb_driver->addItem(QLatin1Char('[') + id + QStringLiteral("]  ") + vendor +
                           QStringLiteral("  ") + product + QStringLiteral("  ") + revision);
    }
    grabber->SetCurrentDrive(1);
    cb_driver->setCurrentIndex(0);
}

void MainWindow::ApplyCdReadingOptions() {
    ::ApplyCdReadingOptions(*m_settings, *components.AudioCDGrabber21);
}

bool MainWindow::IsAudioCdPresent() {
    IDriveLayer* drives = components.DriveLayer.get();
    for (const QString& drive : drives->CdDrives()) {
        QString label;
        if (!drives->VolumeLabel(drive, &label))
            return true; // no disc, or a disc without a file system: an audio CD or none
        if (IsAudioCdVolume(drive))
            return true;
    }
    return false;
}

bool MainWindow::IsAudioCdVolume(const QString& drive) {
    QString label;
    return components.DriveLayer->VolumeLabel(drive, &label) && label == QLatin1String("Audio CD");
}

bool MainWindow::cdCommandAllowed() {
    if (rg_function->itemIndex() == Converter) {
        m_prompt.Information(QLatin1String(CdRipperOnly));
        return false;
    }
    if (!IsAudioCdPresent()) {
        m_prompt.Information(QLatin1String(NotAudioCd));
        return false;
    }
    return true;
}

void MainWindow::RefreshTrackTable() {
    if (!cdCommandAllowed())
        return;
    IAudioCDGrabber2* grabber = components.AudioCDGrabber21.get();
    lv->clear();
    grabber->ReadDisc();
    const int count = grabber->GetTrackCount();
    if (count < 1) {
        lv->clear();
        state.CurrentRow = -1;
        return;
    }
    rowTags.resize(count);
    for (int i = 0; i < count; ++i) {
        const int n = i + 1;
        grabber->SelectTrack(i);
        QString title = grabber->GetTrackTitle();
        if (title == QStringLiteral("Session1 Track") + QString::number(n))
            title = QStringLiteral("Track") + FormatTwoDigits(n);
        const QString artist = grabber->GetTrackArtist();
        const QString album = grabber->GetTrackAlbum();
        rowTags[i] = {title, artist.isEmpty() ? QStringLiteral("Unknown Artist") : artist,
                      album.isEmpty() ? QStringLiteral("Unknown Album") : album};
        const QString time = FormatTwoDigits(grabber->GetTrackMinutes()) + QLatin1Char(':') +
                             FormatTwoDigits(grabber->GetTrackSeconds()) + QLatin1Char(':') +
                             QString::number(grabber->GetTrackFrames());
        QTreeWidgetItem* row = addRow(title, time, rg_format->chosenText(), QString());
        row->setCheckState(ColName, Qt::Checked);
        QCoreApplication::processEvents();
    }
    if (lv->selectedItems().isEmpty() && lv->topLevelItemCount() > 0)
        lv->topLevelItem(0)->setSelected(true);
    state.CurrentRow = selectedRow();
    if (state.CurrentRow >= 0 && state.CurrentRow < rowTags.size()) {
        edt_tital->setText(rowTags[state.CurrentRow].Title);
        edt_Artist->setText(rowTags[state.CurrentRow].Artist);
        edt_album->setText(rowTags[state.CurrentRow].Album);
    }
}

void MainWindow::cb_driverChange(int index) {
    components.AudioCDGrabber21->SetCurrentDrive(index + 1);
    RefreshTrackTable();
    StartFreeDbLookup();
}

void MainWindow::AudioCDGrabber21MediaChange() {
    if (rg_function->itemIndex() == Converter)
        return;
    if (IsAudioCdPresent()) {
        RefreshTrackTable();
        StartFreeDbLookup();
    } else {
        m_prompt.Information(QLatin1String(NotAudioCd));
    }
}

// ---------------------------------------------------------------- FreeDB

void MainWindow::StartFreeDbLookup() {
    if (!cdCommandAllowed())
        return;
    if (state.ShowFreeDbWindow) {
        FreeDbWindow->configure(FolderDialog::Layout::FreeDbStatus, this);
        FreeDbWindow->show();
    }
    components.AudioCDGrabber21->QueryFreeDB(components.FreeDBInformation21.get(),
                                             state.FreeDbQueryFlag);
}

void MainWindow::AudioCDGrabber21FreeDBQueryStatus(int status) {
    QStringList lines;
    switch (status) {
    case 1:
        lines << QStringLiteral("Connecting to  server...");
        break;
    case 2:
        lines << QStringLiteral("Quering for album entry...");
        break;
    case 3:
        lines << QStringLiteral("FreeDB information loaded")
              << QStringLiteral("Refresh CD information...");
        break;
    case -1:
        lines << QStringLiteral("Connection failed!");
        break;
    case -2:
        lines << QStringLiteral("No FreeDB information available for this CD!");
        break;
    default:
        return;
    }
    for (const QString& line : lines)
        FreeDbWindow->appendLine(line);
    QCoreApplication::processEvents();
    if (status == 3)
        RefreshTrackTable();
}

void MainWindow::edt_retryClick() {
    components.AudioCDGrabber21->QueryFreeDB(components.FreeDBInformation21.get(),
                                             state.FreeDbQueryFlag);
}

// ---------------------------------------------------------------- function and format

int MainWindow::functionMode() const {
    return rg_function->itemIndex();
}

int MainWindow::rowCount() const {
    return lv->topLevelItemCount();
}

void MainWindow::rg_functionClick() {
    rg_function->setEnabled(false);
    const bool converter = rg_function->itemIndex() == Converter;
    cb_driver->setEnabled(!converter);
    hideFormatEditor();
    lv->clear();
    state.CurrentRow = -1;
    if (!converter) {
        RefreshTrackTable();
        StartFreeDbLookup();
    }
    rg_function->setEnabled(true);
}

void MainWindow::rg_formatClick() {
    const int index = rg_format->itemIndex();
    if (index == FormatSet) {
        ShowSettingsDialog();
        rg_format->setItemIndex(state.LastFormat);
        lv->setFocus();
        return;
    }
    if (index < 0)
        return;
    state.LastFormat = index;
    const QString text = rg_format->itemText(index);
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        lv->topLevelItem(i)->setText(ColTarget, text);
}

void MainWindow::lvMouseDown(const QPoint& pos) {
    m_lastPress = pos;
}

void MainWindow::lvDblClick() {
    QTreeWidgetItem* row = lv->currentItem();
    if (!row || !row->isSelected())
        return;
    const QRect cell = lv->visualItemRect(row);
    const int left = lv->header()->sectionViewportPosition(ColTarget);
    const int width = lv->columnWidth(ColTarget);
    // Only a double click on the row's "Target" cell opens the editor.
    if (m_lastPress.x() <= left || m_lastPress.x() >= left + width)
        return;
    cb_or->setGeometry(left, cell.top() - 1, width + 2, 21);
    const int item = cb_or->findText(row->text(ColTarget));
    if (item >= 0)
        cb_or->setCurrentIndex(item);
    cb_or->show();
    cb_or->raise();
    cb_or->setFocus();
}

void MainWindow::cb_orExit() {
    if (QTreeWidgetItem* row = lv->currentItem())
        row->setText(ColTarget, cb_or->currentText());
    cb_or->hide();
}

void MainWindow::cb_orKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        cb_orExit();
}

// ---------------------------------------------------------------- rows and tags

QTreeWidgetItem* MainWindow::addRow(const QString& caption, const QString& time,
                                    const QString& target, const QString& path) {
    auto* row = new QTreeWidgetItem(lv);
    row->setText(ColName, caption);
    row->setText(ColTime, time);
    row->setText(ColTarget, target);
    row->setText(ColStatus, QLatin1String(Unconverted));
    row->setText(ColPath, path);
    row->setToolTip(ColName, caption);
    return row;
}

int MainWindow::selectedRow() const {
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

QList<int> MainWindow::selectedRows() const {
    QList<int> rows;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        if (lv->topLevelItem(i)->isSelected())
            rows << i;
    return rows;
}

void MainWindow::lvClick() {
    ShowRowTags();
}

void MainWindow::ShowRowTags() {
    if (state.PlaybackActive || state.JobRunning)
        return;
    const int row = selectedRow();
    if (row < 0 || row >= rowTags.size())
        return;
    state.CurrentRow = row;
    edt_tital->setText(rowTags[row].Title);
    edt_Artist->setText(rowTags[row].Artist);
    edt_album->setText(rowTags[row].Album);
}

void MainWindow::edt_titalExit() {
    rowTags.storeInRows(RowTagField::Title, edt_tital->text(), selectedRows());
}
void MainWindow::edt_ArtistExit() {
    rowTags.storeInRows(RowTagField::Artist, edt_Artist->text(), selectedRows());
}
void MainWindow::edt_albumExit() {
    rowTags.storeInRows(RowTagField::Album, edt_album->text(), selectedRows());
}
void MainWindow::bu_titalClick() {
    rowTags.storeInAllRows(RowTagField::Title, edt_tital->text(), rowCount());
}
void MainWindow::bt_artistClick() {
    rowTags.storeInAllRows(RowTagField::Artist, edt_Artist->text(), rowCount());
}
void MainWindow::bt_albumClick() {
    rowTags.storeInAllRows(RowTagField::Album, edt_album->text(), rowCount());
}

void MainWindow::TickAllRows(bool ticked) {
    const Qt::CheckState wanted = ticked ? Qt::Checked : Qt::Unchecked;
    for (int i = 0; i < lv->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = lv->topLevelItem(i);
        if (row->data(ColName, Qt::CheckStateRole).isValid() && row->checkState(ColName) != wanted)
            row->setCheckState(ColName, wanted);
    }
}

// ---------------------------------------------------------------- output folder

void MainWindow::rb_noneClick() {
    state.FolderScheme = 0;
}
void MainWindow::rb_artistClick() {
    state.FolderScheme = 1;
}
void MainWindow::rb_albumClick() {
    state.FolderScheme = 2;
}
void MainWindow::rb_mixClick() {
    state.FolderScheme = 3;
}

void MainWindow::bt_dirClick() {
    const QString folder = m_prompt.ChooseFolder(IUserPrompt::FolderLayout::OutputFolder);
    if (!folder.isEmpty())
        edt_dir->setText(folder);
}

// ---------------------------------------------------------------- commands

void MainWindow::notAvailable(const QString& what) {
    m_prompt.Information(what + QStringLiteral(" is not available in this version of Orvelle."));
}

bool MainWindow::listCommandAllowed() {
    if (state.JobRunning)
        return false;
    if (rg_function->itemIndex() == CdRipper) {
        m_prompt.Information(QLatin1String(ConverterOnly));
        return false;
    }
    return true;
}

void MainWindow::StartJob() {
    notAvailable(rg_function->itemIndex() == CdRipper ? QStringLiteral("Ripping")
                                                      : QStringLiteral("Converting"));
}

void MainWindow::StopJob() {
    state.JobRunning = false;
}

void MainWindow::ShowSettingsDialog() {
    notAvailable(QStringLiteral("The settings dialog"));
}

void MainWindow::OpenFileMenu() {
    PopupMenu1->popup(mapToGlobal(QPoint(190, 26)));
}

void MainWindow::OpenHelpMenu() {
    PopupMenu3->popup(mapToGlobal(QPoint(412, 26)));
}

void MainWindow::AddFiles() {
    if (listCommandAllowed())
        notAvailable(QStringLiteral("Adding files"));
}

void MainWindow::AddFolder() {
    if (listCommandAllowed())
        notAvailable(QStringLiteral("Adding a folder"));
}

void MainWindow::RemoveSelectedRows() {
    if (!listCommandAllowed())
        return;
    const QList<int> rows = selectedRows();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        delete lv->takeTopLevelItem(*it);
        if (*it < rowTags.size())
            rowTags.removeAt(*it);
    }
    state.CurrentRow = lv->topLevelItemCount() > 0
                           ? std::min<int>(state.CurrentRow, lv->topLevelItemCount() - 1)
                           : -1;
}

void MainWindow::ClearList() {
    if (!listCommandAllowed())
        return;
    lv->clear();
    rowTags.clear();
    state.CurrentRow = -1;
}

void MainWindow::PlayOrPause() {
    if (state.CurrentRow == -1 || state.JobRunning)
        return;
    const int selected = selectedRow();
    if (selected >= 0 && selected != state.CurrentRow)
        lvClick();
    notAvailable(QStringLiteral("Preview"));
}

void MainWindow::StopPreview() {
    state.PlaybackActive = false;
}

// The moves inside a running preview; preview itself is not in this version.
void MainWindow::PreviewPreviousRow() {
    previewMove();
}
void MainWindow::PreviewNextRow() {
    previewMove();
}
void MainWindow::StepBack() {
    previewMove();
}
void MainWindow::StepForward() {
    previewMove();
}
void MainWindow::SeekToSlider() {
    previewMove();
}

void MainWindow::previewMove() {
    if (state.PlaybackActive)
        notAvailable(QStringLiteral("Preview"));
}

QUrl MainWindow::helpFileUrl() const {
    return QUrl::fromLocalFile(m_programFolder + QStringLiteral("/help/Orvelle.html"));
}

void MainWindow::ShowContent() {
    m_shell.OpenUrl(helpFileUrl());
}

void MainWindow::ShowDemos() {
    m_shell.OpenUrl(QUrl(QLatin1String(DemosUrl)));
}

void MainWindow::ShowHomePage() {
    m_shell.OpenUrl(QUrl(QLatin1String(HomeUrl)));
}

void MainWindow::ShowAbout() {
    // Modal to the window, without a nested event loop.
    fm_about->open();
}
