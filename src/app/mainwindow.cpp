#include "app/mainwindow.h"

#include "app/elidingcombobox.h"

#include "app/firstframe.h"
#include "app/radiogroup.h"
#include "app/windowaccess.h"
#include "cd/ui/freedbstatuswindow.h"
#include "control/filelistcontrol.h"
#include "control/previewcontrol.h"
#include "dialogs/aboutbox.h"
#include "dialogs/releasechoice.h"
#include "filelist/formatswitch.h"
#include "settings/settingsfile.h"
#include "settings/ui/cdreadingpage.h"
#include "settings/ui/settingsdialog.h"

#include <QComboBox>
#include <QDropEvent>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableView>

namespace {

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
QLineEdit:disabled, QComboBox:disabled { background: #c3d0dc; color: #55687a;
                                         border-color: #48698a; }
QPushButton:disabled { background: #33495e; color: #8ea2b5; border-color: #48698a; }
QTableView { background: #fbfdff; color: #10202f; border: 1px solid #3c6488;
              gridline-color: #d5e2ee; alternate-background-color: #eef4fa; }
QLineEdit:focus, QComboBox:focus, QPushButton:focus, QTableView:focus {
    border: 2px solid #ffd04a; }
QRadioButton:focus { color: #ffd04a; }
QHeaderView::section { background: #dbe7f2; color: #10202f; border: 0;
                       border-right: 1px solid #b9cde0; border-bottom: 1px solid #b9cde0;
                       padding: 2px 4px; }
)";

} // namespace

MainWindow::MainWindow(AudioComponentSet components, UserPrompt& prompt, Shell& shell,
                       const QString& settingsPath, const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_components(std::move(components)), m_prompt(prompt) {
    m_controller =
        std::make_unique<MainController>(m_components, prompt, shell, settingsPath, programFolder);
    setObjectName(QStringLiteral("fm_main"));
    setWindowTitle(QStringLiteral("Orvelle"));
    setWindowIcon(QIcon(QStringLiteral(":/orvelle/orvelle-icon.svg")));
    setFixedSize(DesignWidth, DesignHeight);
    createList();
    createChoices();
    createTagEdits();
    createOutputPath();
    // Styled one by one, so that message boxes over the window keep the desktop's look.
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        child->setStyleSheet(QLatin1String(StyleSheet));
    createMenus();
    // The other windows are made after the main window, hidden, and live as long:
    // the FreeDB window and the settings dialog once it is on the screen, the
    // release choice when first needed, since most discs have one release.
    // Several releases of the disc: the user picks one, the window goes on meanwhile.
    connect(&m_controller->drives(), &DriveSession::releaseChoiceNeeded, this,
            [this](const QStringList& releases) {
                if (!m_releaseChoice)
                    m_releaseChoice = new ReleaseChoice(this);
                m_releaseChoice->ask(releases, [this](int chosen) {
                    m_controller->run(
                        [this, chosen] { m_controller->drives().chooseRelease(chosen); });
                });
            });
    m_aboutBox = new AboutBox(shell, this);
    connectController();
    connectSkin();
}

MainWindow::~MainWindow() = default;

void MainWindow::createList() {
    // A table, so that a screen reader reads each row's cells with their headers.
    m_trackList = new QTableView(this);
    m_trackList->setObjectName(QStringLiteral("lv"));
    m_trackList->setGeometry(10, 92, 424, 236);
    m_trackList->setModel(&m_controller->rows());
    m_trackList->setSelectionModel(&m_controller->selection());
    m_trackList->setColumnWidth(RowModel::ColName, 100);
    m_trackList->setColumnWidth(RowModel::ColTime, 80);
    m_trackList->setColumnWidth(RowModel::ColTarget, 60);
    // "Unconverter" needs a little more than 80 pixels in today's fonts.
    m_trackList->setColumnWidth(RowModel::ColStatus, 90);
    m_trackList->setColumnHidden(RowModel::ColPath, true);
    m_trackList->setShowGrid(false);
    m_trackList->setWordWrap(false);
    m_trackList->setTabKeyNavigation(false);
    m_trackList->verticalHeader()->hide();
    m_trackList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_trackList->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 5);
    m_trackList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_trackList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_trackList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_trackList->setAlternatingRowColors(true);
    QHeaderView* header = m_trackList->horizontalHeader();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The list is wider than its columns: file names take what is left.
    header->setSectionResizeMode(RowModel::ColName, QHeaderView::Stretch);
    m_trackList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_trackList->viewport()->installEventFilter(this);
    connect(m_trackList, &QTableView::clicked, this,
            [this] { m_controller->run([this] { m_controller->showRowTags(); }); });
    connect(m_trackList, &QTableView::doubleClicked, this, &MainWindow::openFormatEditor);
    connect(m_trackList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        m_listMenu->popup(m_trackList->viewport()->mapToGlobal(pos));
    });
    m_cover = new QLabel(m_trackList->viewport());
    m_cover->setObjectName(QStringLiteral("img_cover"));
    m_cover->setFixedSize(84, 84);
    m_cover->setAlignment(Qt::AlignCenter);
    m_cover->setStyleSheet(
        QStringLiteral("background: #ffffff; border: 1px solid #9fb7cc; padding: 2px;"));
    m_cover->hide();
    connect(&m_controller->drives(), &DriveSession::coverChanged, this, &MainWindow::showCover);
    connect(&m_controller->rows(), &QAbstractItemModel::modelReset, this, &MainWindow::showCover);
    // A new table leaves no editor over a row that is gone.
    connect(&m_controller->rows(), &QAbstractItemModel::modelReset, this,
            &MainWindow::hideFormatEditor);
    connect(&m_controller->rows(), &QAbstractItemModel::rowsRemoved, this,
            &MainWindow::hideFormatEditor);
    // Files and folders from a file manager, taken in 'Converter' only.
    m_trackList->setAcceptDrops(true);
    m_trackList->viewport()->setAcceptDrops(true);

    m_formatEditor = new QComboBox(m_trackList->viewport());
    m_formatEditor->setObjectName(QStringLiteral("cb_or"));
    for (OutputFormat format : ListedFormats)
        m_formatEditor->addItem(formatText(format));
    m_formatEditor->hide();
    m_formatEditor->installEventFilter(this);
}

void MainWindow::createChoices() {
    m_functionChoice =
        new RadioGroup(QStringLiteral("Function Choice"),
                       {QStringLiteral("CD Ripper"), QStringLiteral("Converter")}, 2, this);
    m_functionChoice->setObjectName(QStringLiteral("rg_function"));
    m_functionChoice->setGeometry(442, 88, 206, 44);
    m_functionChoice->setItemIndex(CdRipper);
    connect(m_functionChoice, &RadioGroup::clicked, this, [this] {
        m_functionChoice->setEnabled(false);
        m_controller->run([this] {
            m_controller->chooseFunction(static_cast<FunctionMode>(m_functionChoice->itemIndex()));
        });
        m_functionChoice->setEnabled(true);
    });

    // Items by their stored number; FLAC and OPUS stand among the formats, SET last.
    QStringList formatItems;
    for (int format = FormatMp3; format <= FormatOpus; ++format)
        formatItems << formatText(format);
    m_formatChoice = new RadioGroup(QStringLiteral("Output Format:"), formatItems, 3, this);
    m_formatChoice->setLayoutOrder(
        {FormatMp3, FormatWav, FormatWma, FormatOgg, FormatFlac, FormatOpus, FormatRm, FormatSet});
    m_formatChoice->setObjectName(QStringLiteral("rg_format"));
    // Three rows for eight items; the tag group below gives up the room.
    m_formatChoice->setGeometry(442, 134, 206, 84);
    m_formatChoice->setItemIndex(FormatMp3);
    connect(m_formatChoice, &RadioGroup::clicked, this, [this] {
        m_controller->run([this] { m_controller->chooseFormat(m_formatChoice->itemIndex()); });
        if (m_formatChoice->itemIndex() != FormatSet)
            return;
        // "SET" is a command, not a choice: the last format comes back.
        const QSignalBlocker quiet(m_formatChoice);
        m_formatChoice->setItemIndex(m_controller->state().lastFormat);
        m_trackList->setFocus();
    });

    m_driveList = new ElidingComboBox(this);
    m_driveList->setObjectName(QStringLiteral("cb_driver"));
    m_driveList->setGeometry(516, 58, 128, 22);
    connect(m_driveList, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        m_controller->run([this, index] { m_controller->chooseDrive(index); });
    });
}

void MainWindow::createTagEdits() {
    auto* tagGroup = new QGroupBox(QStringLiteral("TAG Edit"), this);
    tagGroup->setGeometry(442, 220, 206, 108);
    const auto tagRow = [&](int top, const QString& label, const char* editName,
                            const char* buttonName, RowTagField field) {
        auto* caption = new QLabel(label, tagGroup);
        caption->setGeometry(8, top + 3, 46, 18);
        auto* edit = new QLineEdit(tagGroup);
        caption->setBuddy(edit);
        edit->setObjectName(QLatin1String(editName));
        edit->setGeometry(54, top, 104, 24);
        edit->installEventFilter(this);
        // A long title is cut by the field; the tooltip has it whole.
        connect(edit, &QLineEdit::textChanged, edit, &QLineEdit::setToolTip);
        auto* all = new QPushButton(QStringLiteral("All"), tagGroup);
        all->setObjectName(QLatin1String(buttonName));
        all->setGeometry(162, top, 36, 24);
        connect(all, &QPushButton::clicked, this, [this, edit, field] {
            m_controller->run(
                [this, edit, field] { m_controller->storeTagInAllRows(field, edit->text()); });
        });
        m_allButtons[int(field)] = all;
        return edit;
    };
    m_titleEdit =
        tagRow(18, QStringLiteral("Title: "), "edt_tital", "bu_tital", RowTagField::Title);
    m_artistEdit =
        tagRow(48, QStringLiteral("Artist: "), "edt_Artist", "bt_artist", RowTagField::Artist);
    m_albumEdit =
        tagRow(78, QStringLiteral("Album: "), "edt_album", "bt_album", RowTagField::Album);
}

void MainWindow::createOutputPath() {
    auto* pathGroup = new QGroupBox(QStringLiteral("Output Path:"), this);
    pathGroup->setGeometry(10, 334, 638, 66);
    m_outputFolderEdit = new QLineEdit(m_controller->options().outputPath, pathGroup);
    m_outputFolderEdit->setObjectName(QStringLiteral("edt_dir"));
    m_outputFolderEdit->setGeometry(10, 16, 574, 22);
    connect(m_outputFolderEdit, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_controller->setOutputPath(text); });
    auto* browse = new QPushButton(QStringLiteral("..."), pathGroup);
    browse->setObjectName(QStringLiteral("bt_dir"));
    browse->setGeometry(590, 15, 38, 24);
    m_browseButton = browse;
    connect(browse, &QPushButton::clicked, this,
            [this] { m_controller->run([this] { m_controller->chooseOutputFolder(); }); });
    const struct {
        const char* text;
        const char* name;
        FolderScheme scheme;
    } schemes[] = {{"None", "rb_none", FolderScheme::None},
                   {"Artist", "rb_artist", FolderScheme::Artist},
                   {"Album", "rb_album", FolderScheme::Album},
                   {"Artist/Album", "rb_mix", FolderScheme::ArtistAlbum}};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QRadioButton(QLatin1String(schemes[i].text), pathGroup);
        button->setObjectName(QLatin1String(schemes[i].name));
        button->setGeometry(12 + 120 * i, 42, 110, 20);
        const FolderScheme scheme = schemes[i].scheme;
        connect(button, &QRadioButton::toggled, this, [this, scheme](bool on) {
            if (on)
                m_controller->chooseFolderScheme(scheme);
        });
        m_schemeButtons[i] = button;
    }
    m_schemeButtons[0]->setChecked(true);
}

void MainWindow::createMenus() {
    using Item = CommandSurface::MenuItem;
    const auto add = [this](QMenu* menu, const QString& caption, const char* name, Item item) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [this, item] {
            m_controller->run([this, item] { m_controller->commands().menuClick(item); });
        });
    };

    m_fileMenu = new QMenu(this);
    m_fileMenu->setObjectName(QStringLiteral("PopupMenu1"));
    add(m_fileMenu, QStringLiteral("Add File"), "AddFile1", Item::AddFile);
    add(m_fileMenu, QStringLiteral("Add Folder"), "AddFolder1", Item::AddFolder);
    add(m_fileMenu, QStringLiteral("Remove"), "Remove1", Item::Remove);
    add(m_fileMenu, QStringLiteral("Clear"), "Clear1", Item::Clear);
    m_fileMenu->addSeparator();
    add(m_fileMenu, QStringLiteral("Refresh"), "Refresh1", Item::Refresh);
    add(m_fileMenu, QStringLiteral("FreeDB"), "FreeDB1", Item::FreeDB);
    m_fileMenu->addSeparator();
    add(m_fileMenu, QStringLiteral("Start"), "Start1", Item::Start);
    add(m_fileMenu, QStringLiteral("Stop"), "Stop1", Item::Stop);
    m_fileMenu->addSeparator();
    add(m_fileMenu, QStringLiteral("Settings..."), "Settings1", Item::Settings);
    m_fileMenu->addSeparator();
    add(m_fileMenu, QStringLiteral("Exit"), "Exit1", Item::Exit);

    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("PopupMenu2"));
    add(m_listMenu, QStringLiteral("Select All"), "SelectAll1", Item::SelectAll);
    add(m_listMenu, QStringLiteral("Unselect All"), "UnselectAll1", Item::UnselectAll);
    m_listMenu->addSeparator();
    add(m_listMenu, QStringLiteral("Add File"), "AddFile2", Item::ListAddFile);
    add(m_listMenu, QStringLiteral("Add Folder"), "AddFolder2", Item::ListAddFolder);
    add(m_listMenu, QStringLiteral("Remove File"), "RemoveFile1", Item::RemoveFile);
    add(m_listMenu, QStringLiteral("Clear List"), "ClearList1", Item::ClearList);
    m_listMenu->addSeparator();
    add(m_listMenu, QStringLiteral("Play"), "Play2", Item::Play);
    add(m_listMenu, QStringLiteral("Stop"), "Stop3", Item::StopPlay);

    m_helpMenu = new QMenu(this);
    m_helpMenu->setObjectName(QStringLiteral("PopupMenu3"));
    add(m_helpMenu, QStringLiteral("Content"), "Content1", Item::Content);
    add(m_helpMenu, QStringLiteral("Flash Demos"), "FlashDemos1", Item::FlashDemos);
    add(m_helpMenu, QStringLiteral("Visit our web"), "Visitourweb1", Item::VisitWeb);
    m_helpMenu->addSeparator();
    add(m_helpMenu, QStringLiteral("About"), "About1", Item::About);
}

void MainWindow::connectController() {
    MainController& c = *m_controller;
    connect(&c, &MainController::optionsChanged, this, &MainWindow::showOptions);
    connect(&c, &MainController::drivesChanged, this, &MainWindow::showDrives);
    connect(&c, &MainController::tagShown, this, &MainWindow::showTag);
    connect(&c, &MainController::controlsEnabled, this, &MainWindow::setControlsEnabled);
    connect(&c, &MainController::fileMenuRequested, this,
            [this] { m_fileMenu->popup(mapToGlobal(QPoint(190, 26))); });
    connect(&c, &MainController::helpMenuRequested, this,
            [this] { m_helpMenu->popup(mapToGlobal(QPoint(412, 26))); });
    // Modal to the window, without a nested event loop.
    connect(&c, &MainController::aboutRequested, m_aboutBox, &QDialog::open);
    connect(&c, &MainController::closeRequested, this, &QWidget::close);
}

void MainWindow::connectSkin() {
    Skin* skin = m_components.skin.get();
    if (!skin)
        return;
    CommandSurface& commands = m_controller->commands();
    connect(skin, &Skin::onClick, this, [this, &commands](SkinObject* source) {
        const QString name = source->getName();
        m_controller->run([&commands, name] { commands.skin1Click(name); });
    });
    connect(skin, &Skin::onMouseDown, this, [&commands](SkinObject* source, int, int, int) {
        commands.skin1MouseDown(source->getName());
    });
    connect(skin, &Skin::onMouseUp, this, [this, &commands](SkinObject* source, int, int, int) {
        const QString name = source->getName();
        m_controller->run([&commands, name] { commands.skin1MouseUp(name); });
    });
}

// ---------------------------------------------------------------- start-up and close

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!m_initialised) {
        m_initialised = true;
        // Once the window is on the screen, so that start-up messages appear over it.
        QMetaObject::invokeMethod(this, &MainWindow::start, Qt::QueuedConnection);
        FirstFrame::whenDrawn(this,
                              [this] { m_controller->run([this] { createHiddenWindows(); }); });
    }
}

void MainWindow::start() {
    m_controller->run([this] {
        skinWindow();
        m_controller->start();
        // Before the first frame, that frame makes it with the other hidden windows.
        if (m_freeDbStatus)
            createSettingsDialog();
    });
}

void MainWindow::skinWindow() {
    Skin* skin = m_components.skin.get();
    skin->loadSkin(m_controller->programFolder() + QStringLiteral("/mp3enc.dll"));
    skin->applySkin(this);
    skin->applySkinForm(this, QStringLiteral("Orvelle"));
    m_positionSlider = nullptr;
    m_positionSliderView = nullptr;
    if (SkinForm* form = skin->getSkinnedForm(this)) {
        if (SkinObject* slider = form->getSkinObject(QStringLiteral("pb"))) {
            m_positionSlider = slider->queryPositionSlider();
            m_positionSliderView = slider->queryPositionSliderView();
        }
    }
    m_controller->preview().setSlider(m_positionSlider, m_positionSliderView);
    makeWindowAccessible(this, skin->getSkinnedForm(this));
}

void MainWindow::createHiddenWindows() {
    // Its folder tree reads the file system, which the first frame need not wait for.
    m_freeDbStatus = new FreeDbStatusWindow(m_controller->drives(), this);
    connect(m_freeDbStatus, &FreeDbStatusWindow::retryClicked, this,
            [this] { m_controller->run([this] { m_controller->retryFreeDbLookup(); }); });
    createSettingsDialog();
}

void MainWindow::createSettingsDialog() {
    SettingsFile* settings = m_controller->settings();
    if (!settings || m_settingsDialog)
        return;
    // Ok hands the CD reading options to the ripper as the start did.
    m_settingsDialog = new SettingsDialog(
        *settings, m_controller->rmCodecNames(), m_prompt,
        [this] { m_controller->applyReadingOptions(); }, this);
    m_settingsDialog->cdReadingPage().setDriveOffsetAccess(m_controller->driveOffsetAccess());
    // Modal to the window, without a nested event loop; the window comes back
    // to the last format at once, as it would after the dialog.
    m_controller->setSettingsDialogHooks(
        {[this] { m_settingsDialog->open(); }, [this] { return m_settingsDialog->commandLine(); }});
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_closed) {
        m_closed = true;
        if (m_freeDbStatus)
            m_freeDbStatus->hide();
        // It holds the settings file, which the close releases.
        if (m_settingsDialog)
            m_settingsDialog->reject();
        m_controller->run([this] { m_controller->close(); });
    }
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------- showing the controller's state

void MainWindow::showCover() {
    const CoverArt cover = m_controller->drives().cover();
    QPixmap picture;
    if (m_controller->options().function != CdRipper || m_controller->rows().count() == 0 ||
        cover.isEmpty() || !picture.loadFromData(cover.data)) {
        m_cover->hide();
        return;
    }
    // Scaled for the screen's pixels, so the cover stays sharp on a scaled desktop.
    const qreal ratio = m_cover->devicePixelRatioF();
    picture = picture.scaled((m_cover->size() - QSize(6, 6)) * ratio, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    picture.setDevicePixelRatio(ratio);
    m_cover->setPixmap(picture);
    const RowTag first = m_controller->rows().tag(0);
    m_cover->setToolTip(first.year.isEmpty()
                            ? first.album
                            : QStringLiteral("%1 (%2)").arg(first.album, first.year));
    const QSize room = m_trackList->viewport()->size();
    m_cover->move(room.width() - m_cover->width() - 6, room.height() - m_cover->height() - 6);
    m_cover->show();
    m_cover->raise();
}

void MainWindow::showOptions() {
    showCover();
    const MainOptions& options = m_controller->options();
    {
        const QSignalBlocker quiet(m_functionChoice);
        m_functionChoice->setItemIndex(options.function);
    }
    {
        const QSignalBlocker quiet(m_formatChoice);
        m_formatChoice->setItemIndex(options.format);
    }
    m_driveList->setEnabled(options.function == CdRipper);
    const int scheme = int(options.folderScheme);
    // A stored scheme this version does not know leaves the buttons as they are.
    if (scheme >= 0 && scheme < 4) {
        const QSignalBlocker quiet(m_schemeButtons[scheme]);
        m_schemeButtons[scheme]->setChecked(true);
    }
    m_outputFolderEdit->setText(options.outputPath);
}

void MainWindow::showDrives() {
    m_driveList->clear();
    m_driveList->addItems(m_controller->drives().driveNames());
    if (m_driveList->count() > 0)
        m_driveList->setCurrentIndex(0);
}

void MainWindow::showTag(const RowTag& tag) {
    // From the start of each text, as a long name should be read.
    for (auto [edit, text] :
         {std::pair{m_titleEdit, tag.title}, std::pair{m_artistEdit, tag.artist},
          std::pair{m_albumEdit, tag.album}}) {
        edit->setText(text);
        edit->setCursorPosition(0);
    }
}

void MainWindow::setControlsEnabled(bool enabled) {
    QWidget* const controls[] = {m_functionChoice,   m_formatChoice,     m_outputFolderEdit,
                                 m_titleEdit,        m_artistEdit,       m_albumEdit,
                                 m_browseButton,     m_schemeButtons[1], m_schemeButtons[2],
                                 m_schemeButtons[3], m_allButtons[0],    m_allButtons[1],
                                 m_allButtons[2],    m_driveList,        m_schemeButtons[0]};
    for (QWidget* control : controls)
        control->setEnabled(enabled);
    // The drive list belongs to the CD function alone.
    if (enabled)
        m_driveList->setEnabled(m_controller->options().function == CdRipper);
}

// ---------------------------------------------------------------- format editor and events

void MainWindow::openFormatEditor() {
    const QModelIndex current = m_trackList->currentIndex();
    if (!current.isValid() || !m_controller->selection().isRowSelected(current.row()))
        return;
    const QRect cell = m_trackList->visualRect(current);
    const int left = m_trackList->horizontalHeader()->sectionViewportPosition(RowModel::ColTarget);
    const int width = m_trackList->columnWidth(RowModel::ColTarget);
    // Only a double click on the row's "Target" cell opens the editor.
    if (m_lastPress.x() <= left || m_lastPress.x() >= left + width)
        return;
    m_formatEditor->setGeometry(left, cell.top() - 1, width + 2, 21);
    const int item = m_formatEditor->findText(m_controller->rows().row(current.row()).target);
    if (item >= 0)
        m_formatEditor->setCurrentIndex(item);
    m_formatEditor->show();
    m_formatEditor->raise();
    m_formatEditor->setFocus();
}

void MainWindow::closeFormatEditor() {
    const QModelIndex current = m_trackList->currentIndex();
    if (current.isValid())
        m_controller->setRowTarget(current.row(), m_formatEditor->currentText());
    m_formatEditor->hide();
}

void MainWindow::hideFormatEditor() {
    m_formatEditor->hide();
}

bool MainWindow::formatEditorVisible() const {
    return m_formatEditor->isVisible();
}

bool MainWindow::handleDrop(QEvent* event) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QStringList paths = droppedPaths(drop->mimeData());
    if (!m_controller->takesDrop(paths)) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop)
        m_controller->run([this, paths] { m_controller->dropPaths(paths); });
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_trackList->viewport() &&
        (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        return handleDrop(event);
    } else if (watched == m_trackList->viewport() && type == QEvent::MouseButtonPress) {
        m_lastPress = static_cast<QMouseEvent*>(event)->position().toPoint();
    } else if (watched == m_formatEditor) {
        if (event->type() == QEvent::FocusOut && m_formatEditor->isVisible() &&
            !m_formatEditor->view()->isVisible())
            closeFormatEditor();
        else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter)
                closeFormatEditor();
            else if (key == Qt::Key_Escape) {
                // Leaves the row's target as it was.
                hideFormatEditor();
                m_trackList->setFocus();
                return true;
            }
        }
    } else if (event->type() == QEvent::FocusOut) {
        const auto field = watched == m_titleEdit    ? RowTagField::Title
                           : watched == m_artistEdit ? RowTagField::Artist
                                                     : RowTagField::Album;
        if (watched == m_titleEdit || watched == m_artistEdit || watched == m_albumEdit) {
            const QString text = static_cast<QLineEdit*>(watched)->text();
            m_controller->run([this, field, text] { m_controller->storeTag(field, text); });
        }
    }
    return QWidget::eventFilter(watched, event);
}
