#include "shell/form_select.h"

#include <QApplication>
#include <QCollator>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "platform/bitmap_qt.h"
#include "platform/file_system.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/bcl_manager.h"
#include "resources/memory_stream.h"
#include "resources/xini_file.h"
#include "shell/program_icon.h"

TFormSelect::TFormSelect(QWidget* owner, platform::Bitmap* wallpaper)
    : QDialog(owner), m_Wallpaper(wallpaper) {
    setWindowTitle(QString::fromUtf8("シナリオ選択"));
    setFixedSize(305, 253);
    auto* layout = new QVBoxLayout(this);
    m_ImgIcon = new QLabel(this);
    m_ImgIcon->setFixedSize(33, 33);
    m_ImgIcon->setPixmap(ProgramIcon().pixmap(32, 32));
    layout->addWidget(m_ImgIcon);
    layout->addWidget(new QLabel(QString::fromUtf8("複数のシナリオが検出されました。"), this));
    layout->addWidget(new QLabel(QString::fromUtf8("起動するシナリオを選択してください。"), this));
    m_LVTitle = new QListWidget(this);
    m_LVTitle->setIconSize(QSize(32, 32));
    m_LVTitle->setViewMode(QListView::IconMode);
    m_LVTitle->setMovement(QListView::Static);
    m_LVTitle->setResizeMode(QListView::Adjust);
    layout->addWidget(m_LVTitle);
    m_BtnOK = new QPushButton(QString::fromUtf8("起動(&S)"), this);
    m_BtnOK->setEnabled(false);
    layout->addWidget(m_BtnOK);
    connect(m_LVTitle, &QListWidget::itemSelectionChanged, this,
            [this] { m_BtnOK->setEnabled(!m_LVTitle->selectedItems().isEmpty()); });
    connect(m_BtnOK, &QPushButton::clicked, this, [this] { Choose(); });
    connect(m_LVTitle, &QListWidget::itemDoubleClicked, this, [this] { Choose(); });
}

void TFormSelect::SetCandidates(const TStringList& candidates, TyxBCLManager* manager) {
    m_Manager = manager;
    struct Entry {
        std::string path;
        QString title;
        std::string icon;
    };
    std::vector<Entry> entries;
    for (const auto& path : candidates) {
        TXiniFile ini(path, true);
        entries.push_back({path, platform::ToQString(ini.ReadString("velmor", "Title", "")),
                           ini.ReadString("velmor", "Icon", "")});
    }
    // By title, as a Japanese reader sorts; games without one last, in the order found.
    QCollator collator{QLocale(QLocale::Japanese)};
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.title.isEmpty() || b.title.isEmpty()) return !a.title.isEmpty() && b.title.isEmpty();
        return collator.compare(a.title, b.title) < 0;
    });
    m_Candidates.clear();
    for (const Entry& entry : entries) {
        m_Candidates.push_back(entry.path);
        // The game's own icon, from a file or its archives; the program's when it has none.
        QIcon picture = ProgramIcon();
        if (!entry.icon.empty()) {
            QIcon loaded;
            if (platform::FileSystem::FileExists(entry.icon)) {
                loaded = QIcon(QString::fromStdString(platform::FileSystem::ToHostPath(entry.icon)));
            } else if (m_Manager) {
                TMemoryStream stream;
                QPixmap pixmap;
                if (m_Manager->LoadIconFile(stream, entry.icon) &&
                    pixmap.loadFromData(stream.Data(), static_cast<uint>(stream.Size())))
                    loaded = QIcon(pixmap);
            }
            if (!loaded.isNull() && !loaded.availableSizes().isEmpty()) picture = loaded;
        }
        m_LVTitle->addItem(new QListWidgetItem(picture, entry.title));
    }
}

void TFormSelect::Choose() {
    const int row = m_LVTitle->currentRow();
    if (row < 0 || m_LVTitle->selectedItems().isEmpty()) return;
    m_ChosenPath = m_Candidates[static_cast<size_t>(row)];
    accept();
}

void TFormSelect::paintEvent(QPaintEvent*) {
    if (!m_Wallpaper || m_Wallpaper->Empty()) return;
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), QPixmap::fromImage(platform::QImageOf(*m_Wallpaper)));
}

void TFormSelect::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_LVTitle->hasFocus()) {
        Choose();
        return;
    }
    QDialog::keyPressEvent(event);
}
