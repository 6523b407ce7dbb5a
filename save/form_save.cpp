#include "save/form_save.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "engine/velmor.h"
#include "platform/bitmap_qt.h"
#include "platform/sjis.h"
#include "platform/sjis_qt.h"
#include "resources/application.h"
#include "resources/dll_res.h"
#include "resources/engine_error.h"
#include "resources/sjis_text.h"
#include "resources/yxstringlib.h"
#include "save/form_save_data.h"
#include "save/save_data.h"

using platform::FromQString;
using platform::ToQString;

namespace {

enum Column { kName, kDate, kTime, kComment };

// Chronological for date and time, names in archive order, comments all alike.
class SaveRow : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : kName;
        if (column == kName)
            return yx::CompareTextAscii(FromQString(text(kName)), FromQString(other.text(kName))) <
                   0;
        if (column == kComment) return false;
        return Stamp(*this) < Stamp(other);
    }

private:
    // Unparsable parts count as zero.
    static qint64 Stamp(const QTreeWidgetItem& row) {
        const QDate date = TFormSave::ParseDate(FromQString(row.text(kDate)));
        const QTime time = TFormSave::ParseTime(FromQString(row.text(kTime)));
        const qint64 day = date.isValid() ? date.toJulianDay() : 0;
        return day * 86400000 + (time.isValid() ? time.msecsSinceStartOfDay() : 0);
    }
};

// Each action's picture and its place among the buttons.
constexpr const char* kPictures[] = {"IDB_MI_NEW",    "IDB_MI_SAVE",  "IDB_MI_LOAD",
                                     "IDB_MI_DELETE", "IDB_MI_EJECT", "IDB_MI_REWRITE"};

}  // namespace

TFormSave::TFormSave(QWidget* owner, TyxDllRes* dllRes, TyxApplication& app)
    : QDialog(owner), m_DllRes(dllRes), m_App(app) {
    setWindowTitle(QString::fromUtf8("ゲームの保存とロード"));
    setFixedSize(632, 386);
    QFont font(QString::fromUtf8("ＭＳ Ｐゴシック"));
    font.setPixelSize(12);
    setFont(font);

    m_LVData = new QTreeWidget(this);
    m_LVData->setColumnCount(4);
    m_LVData->setHeaderLabels({QString::fromUtf8("データ名"), QString::fromUtf8("日付"),
                               QString::fromUtf8("時間"), QString::fromUtf8("コメント")});
    m_LVData->setColumnWidth(kName, 100);
    m_LVData->setColumnWidth(kDate, 80);
    m_LVData->setColumnWidth(kTime, 80);
    m_LVData->header()->setStretchLastSection(true);
    m_LVData->setRootIsDecorated(false);
    m_LVData->setSelectionMode(QAbstractItemView::SingleSelection);
    m_LVData->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_LVData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_LVData->setIconSize(QSize(32, 32));
    m_LVData->header()->setSectionsClickable(true);
    connect(m_LVData->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { m_LVData->sortItems(column, Qt::AscendingOrder); });
    connect(m_LVData, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    connect(m_LVData, &QTreeWidget::itemDoubleClicked, this, [this] { ActivateRow(); });

    struct ActionEntry {
        QAction** field;
        QPushButton** button;
        const char* name;
        const char* caption;
        void (TFormSave::*run)();
    };
    const ActionEntry entries[] = {
        {&m_ActNewSave, &btnNew, "m_ActNewSave", "新規保存(&N)", &TFormSave::m_ActNewSaveExecute},
        {&m_ActSave, &btnSave, "m_ActSave", "上書き保存(&S)", &TFormSave::m_ActSaveExecute},
        {&m_ActLoad, &btnLoad, "m_ActLoad", "ロード(&O)", &TFormSave::m_ActLoadExecute},
        {&m_ActDelete, &btnDelete, "m_ActDelete", "削除(&D)", &TFormSave::m_ActDeleteExecute},
        {&m_ActCommentEdit, &btnCommentEdit, "m_ActCommentEdit", "コメント編集(&E)",
         &TFormSave::m_ActCommentEditExecute},
        {&m_ActTitleReturn, &btnTitleReturn, "m_ActTitleReturn", "タイトルへ戻る(&R)",
         &TFormSave::m_ActTitleReturnExecute},
    };
    auto* buttons = new QVBoxLayout;
    for (const ActionEntry& entry : entries) {
        auto* action = new QAction(QString::fromUtf8(entry.caption), this);
        action->setObjectName(entry.name);
        action->setEnabled(false);
        const auto run = entry.run;
        // An engine error (a file that cannot be written) must not unwind through Qt's event
        // loop: it ends the action and the player is told.
        connect(action, &QAction::triggered, this, [this, run] {
            try {
                (this->*run)();
            } catch (const EEngineError& e) {
                m_App.Warn(e.Text());
            }
        });
        addAction(action);
        *entry.field = action;
        auto* button = new QPushButton(action->text(), this);
        button->setObjectName(QString(entry.name).replace("m_Act", "btn"));
        button->setEnabled(false);
        // Enter must never save: no button is the dialog's default.
        button->setAutoDefault(false);
        button->setDefault(false);
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
        buttons->addWidget(button);
        *entry.button = button;
    }
    buttons->addStretch();
    btnClose = new QPushButton(QString::fromUtf8("閉じる"), this);
    btnClose->setAutoDefault(false);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(btnClose);

    m_PMSave = new QMenu(this);
    m_PMSave->addActions({m_ActNewSave, m_ActSave, m_ActLoad, m_ActDelete, m_ActCommentEdit});
    m_LVData->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_LVData, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_PMSave->popup(m_LVData->viewport()->mapToGlobal(at)); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_LVData, 0, 0);
    layout->addLayout(buttons, 0, 1);
    layout->setColumnStretch(0, 1);
}

TFormSave::~TFormSave() = default;

void TFormSave::Prepare(TVelmor& engine, platform::Bitmap* wallpaper) {
    m_Data = std::make_unique<TSaveData>(engine);
    m_Wallpaper = wallpaper;
    m_Loaded = false;
    m_TitleRequested = false;

    m_ILMenuIcon.Clear();
    QPushButton* const byPicture[] = {btnNew,    btnSave,        btnLoad,
                                      btnDelete, btnTitleReturn, btnCommentEdit};
    QAction* const actionByPicture[] = {m_ActNewSave, m_ActSave,        m_ActLoad,
                                        m_ActDelete,  m_ActTitleReturn, m_ActCommentEdit};
    for (int i = 0; i < 6; ++i) {
        if (!m_DllRes || !m_DllRes->AddMasked(m_ILMenuIcon, kPictures[i], 0x800080))
            throw EEngineError(SJ("リソースロードエラー\n") + kPictures[i] +
                               SJ("が見つかりません"));
        const auto& entry = m_ILMenuIcon.At(i);
        QPixmap pixmap = QPixmap::fromImage(platform::QImageOf(entry.picture));
        if (!entry.mask.Empty())
            pixmap.setMask(
                QBitmap::fromImage(platform::QImageOf(entry.mask)
                                       .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)));
        byPicture[i]->setIcon(QIcon(pixmap));
        actionByPicture[i]->setIcon(QIcon(pixmap));
    }

    m_ActTitleReturn->setEnabled(engine.Script().InTitle());
    m_CanSave = engine.ModeObject().Menu().newSave;
    m_ActNewSave->setEnabled(m_CanSave);
    const int newest = dataEnum();
    if (newest >= 0) m_LVData->setCurrentItem(m_LVData->topLevelItem(newest));
    SelectionChanged();
}

int TFormSave::dataEnum() {
    m_LVData->clear();
    if (!m_Data) return -1;
    int newest = -1;
    QDate newestDate;
    QTime newestTime;
    try {
        for (const auto& entry : m_Data->Entries()) {
            AddRow(entry.Name, entry.Date, entry.Time, entry.Comment);
            const QDate date = ParseDate(entry.Date);
            const QTime time = ParseTime(entry.Time);
            if (!date.isValid() || !time.isValid()) continue;
            if (newest < 0 || date > newestDate || (date == newestDate && time > newestTime)) {
                newest = m_LVData->topLevelItemCount() - 1;
                newestDate = date;
                newestTime = time;
            }
        }
    } catch (const std::bad_alloc&) {
        throw EEngineError(
            SJ("TFormSave::dataEnum\nセーブデータ一覧を読み込むためのメモリが確保できません。"));
    }
    return newest;
}

QTreeWidgetItem* TFormSave::AddRow(const std::string& name, const std::string& date,
                                   const std::string& time, const std::string& comment) {
    auto* row = new SaveRow(m_LVData);
    row->setText(kName, ToQString(name));
    row->setIcon(kName, QApplication::windowIcon());
    SetRow(row, date, time, comment);
    return row;
}

void TFormSave::SetRow(QTreeWidgetItem* row, const std::string& date, const std::string& time,
                       const std::string& comment) {
    row->setText(kDate, ToQString(date));
    row->setText(kTime, ToQString(time));
    row->setText(kComment, ToQString(comment));
}

QTreeWidgetItem* TFormSave::Selected() const {
    const auto rows = m_LVData->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

void TFormSave::SelectionChanged() {
    const bool any = Selected() != nullptr;
    m_ActLoad->setEnabled(any);
    m_ActDelete->setEnabled(any);
    m_ActCommentEdit->setEnabled(any);
    m_ActSave->setEnabled(any && m_CanSave);
}

QDate TFormSave::ParseDate(const std::string& text) {
    const QString t = ToQString(text).trimmed();
    for (const char* format : {"yyyy/M/d", "yyyy-M-d", "yy/M/d"}) {
        const QDate date = QDate::fromString(t, QString::fromLatin1(format));
        if (date.isValid()) return date;
    }
    return {};
}

QTime TFormSave::ParseTime(const std::string& text) {
    const QString t = ToQString(text).trimmed();
    for (const char* format : {"H:m:s", "H:m"}) {
        const QTime time = QTime::fromString(t, QString::fromLatin1(format));
        if (time.isValid()) return time;
    }
    return {};
}

std::string TFormSave::DateText(const QDateTime& at) {
    return FromQString(at.date().toString(QStringLiteral("yyyy/MM/dd")));
}

std::string TFormSave::TimeText(const QDateTime& at) {
    return FromQString(at.time().toString(QStringLiteral("HH:mm:ss")));
}

void TFormSave::NowTexts(std::string& date, std::string& time) {
    // One reading, so a save made at midnight gets a date and time that belong together.
    const QDateTime now = QDateTime::currentDateTime();
    date = DateText(now);
    time = TimeText(now);
}

std::string TFormSave::DateNow() const {
    return DateText(m_Now ? m_Now() : QDateTime::currentDateTime());
}

std::string TFormSave::TimeNow() const {
    return TimeText(m_Now ? m_Now() : QDateTime::currentDateTime());
}

bool TFormSave::AskDetails(const std::string& caption, const std::string& name, std::string& date,
                           std::string& time, std::string& comment) {
    if (m_AskDetails) return m_AskDetails(caption, name, date, time, comment);
    TFormSaveData details(this, m_Wallpaper, m_DllRes);
    details.setWindowTitle(ToQString(caption));
    details.Fill(name, date, time, comment);
    details.exec();
    if (!details.Accepted()) return false;
    date = details.Date();
    time = details.Time();
    comment = details.Comment();
    return true;
}

bool TFormSave::Carried(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const EEngineError& e) {
        m_App.Warn(e.Text());
        return false;
    }
}

void TFormSave::m_ActNewSaveExecute() {
    if (!m_Data || !m_ActNewSave->isEnabled()) return;
    std::vector<TSaveData::Entry> listed;
    for (int i = 0; i < m_LVData->topLevelItemCount(); ++i)
        listed.push_back({FromQString(m_LVData->topLevelItem(i)->text(kName)), "", "", ""});
    const std::string name = TSaveData::NewName(listed);
    std::string date = DateNow(), time = TimeNow(), comment;
    if (!AskDetails(SJ("新規保存"), name, date, time, comment)) return;
    // Written first, so a save that could not be written never shows in the list.
    if (!Carried([&] { m_Data->dataWrite(name, date, time, comment); })) return;
    m_LVData->setCurrentItem(AddRow(name, date, time, comment));
}

void TFormSave::m_ActSaveExecute() {
    QTreeWidgetItem* row = Selected();
    if (!m_Data || !row || !m_ActSave->isEnabled()) return;
    const std::string name = FromQString(row->text(kName));
    if (!m_App.Confirm(name + SJ(" を上書きしてもいいですか？"))) return;
    std::string date = DateNow(), time = TimeNow(), comment = FromQString(row->text(kComment));
    if (!AskDetails(SJ("上書き保存"), name, date, time, comment)) return;
    if (!Carried([&] { m_Data->dataWrite(name, date, time, comment); })) return;
    SetRow(row, date, time, comment);
}

void TFormSave::m_ActLoadExecute() {
    QTreeWidgetItem* row = Selected();
    if (!m_Data || !row) return;
    const std::string name = FromQString(row->text(kName));
    if (!m_App.Confirm(name + SJ(" をロードしてもよろしいですか？"))) return;
    m_Data->dataRead(name);
    // Set even when the save could not be read: the caller resumes from whatever the engine
    // holds, which then is the game as it was.
    m_Loaded = true;
    accept();
}

void TFormSave::m_ActDeleteExecute() {
    QTreeWidgetItem* row = Selected();
    if (!m_Data || !row) return;
    const std::string name = FromQString(row->text(kName));
    if (!m_App.Confirm(name + SJ("を削除してもよろしいですか？"))) return;
    if (!Carried([&] { m_Data->dataDelete(name); })) return;
    delete row;
    SelectionChanged();
}

void TFormSave::m_ActCommentEditExecute() {
    QTreeWidgetItem* row = Selected();
    if (!m_Data || !row) return;
    const std::string name = FromQString(row->text(kName));
    std::string date = FromQString(row->text(kDate)), time = FromQString(row->text(kTime)),
                comment = FromQString(row->text(kComment));
    if (!AskDetails(SJ("コメントの変更"), name, date, time, comment)) return;
    if (m_Data->dataUpdate(name, date, time, comment)) SetRow(row, date, time, comment);
}

void TFormSave::m_ActTitleReturnExecute() {
    if (!m_ActTitleReturn->isEnabled()) return;
    if (!m_App.Confirm(SJ("タイトルに戻りますがよろしいですか？"))) return;
    m_TitleRequested = true;
    accept();
}

void TFormSave::ActivateRow() {
    // Loading asks first, so neither a double-click nor Enter changes anything by itself.
    if (!Selected() || !m_ActLoad->isEnabled()) return;
    m_ActLoad->trigger();
}

void TFormSave::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ActivateRow();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormSave::paintEvent(QPaintEvent*) {
    if (!m_Wallpaper || m_Wallpaper->Empty()) return;
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), QPixmap::fromImage(platform::QImageOf(*m_Wallpaper)));
}
