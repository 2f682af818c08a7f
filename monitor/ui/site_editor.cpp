#include "monitor/ui/site_editor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>

#include "monitor/ui/number_text.h"
#include "monitor/ui/whole_text_tip.h"
#include "monitor/ui/window_owner.h"
#include "ui_site_editor.h"

namespace ossivant {
namespace {

const QString kNoAgent = QStringLiteral("Do not enter the agent, \"http://\".");
const QString kCompleteUrl = QStringLiteral("You need to complete the URL Field.");
const QString kTimeOutBlank = QStringLiteral("The Time Out field cannot be left blank.");
const QString kTimeOutRange = QStringLiteral("Time Out values must be from 1 to 1800 seconds.");

QString duplicateMessage(const QString& url) {
    return QStringLiteral("The URL ") + HttpAddress(url) + QStringLiteral(" ") +
           QStringLiteral("already exists!") + QStringLiteral("\n") +
           QStringLiteral("Please enter another URL.");
}

constexpr int kDefaultTimeOut = 60;
constexpr int kMinTimeOut = 1;
constexpr int kMaxTimeOut = 1800;

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A plain decimal number with blanks around it, as a person types one:
// "12", " 007 ", "-3", "1.50", "5.", ".5". No exponents, no thousands marks.
const QRegularExpression& numberPattern() {
    static const QRegularExpression pattern(QStringLiteral(R"(^\s*([+-]?)(\d*)(?:\.(\d*))?\s*$)"));
    return pattern;
}

bool readsAsNumber(const QString& text) {
    const QRegularExpressionMatch m = numberPattern().match(text);
    return m.hasMatch() && (!m.captured(2).isEmpty() || !m.captured(3).isEmpty());
}

// The number written the shortest way: no sign for zero or plus, no leading
// zeros, no trailing zeros after the point, no point without a fraction.
QString generalNumber(const QString& text) {
    const QRegularExpressionMatch m = numberPattern().match(text);
    QString whole = m.captured(2);
    QString fraction = m.captured(3);
    while (whole.size() > 1 && whole.front() == QLatin1Char('0')) whole.remove(0, 1);
    if (whole.isEmpty()) whole = QStringLiteral("0");
    while (!fraction.isEmpty() && fraction.back() == QLatin1Char('0')) fraction.chop(1);
    QString out = whole;
    if (!fraction.isEmpty()) out += QLatin1Char('.') + fraction;
    if (m.captured(1) == QLatin1String("-") && out != QLatin1String("0"))
        out.prepend(QLatin1Char('-'));
    return out;
}

// The value of the time-out box; blank and unreadable text count as 0.
double numericValue(const QString& text) {
    if (!readsAsNumber(text)) return 0;
    return generalNumber(text).toDouble();
}

// The decimal form of the number an IP box starts with: "007" is "7", an
// empty or unreadable box "0". Boxes hold digits only, except a part loaded
// from a stored address, which is taken the same way.
QString decimalForm(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    QString digits;
    for (; i < text.size() && isDigit(text.at(i)); ++i) digits += text.at(i);
    while (!digits.isEmpty() && digits.front() == QLatin1Char('0')) digits.remove(0, 1);
    if (digits.isEmpty()) return QStringLiteral("0");
    return negative ? QLatin1Char('-') + digits : digits;
}

bool isEnter(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

frmSiteEditor::frmSiteEditor(QWidget* mainWindow, SiteStore& store, SiteTable& sites,
                             MessageBox& messages, SiteEditorHooks hooks)
    : ui_(std::make_unique<Ui::frmSiteEditor>()),
      mainWindow_(mainWindow),
      store_(store),
      sites_(sites),
      messages_(messages),
      hooks_(std::move(hooks)),
      beep_([] { QApplication::beep(); }) {
    ui_->setupUi(this);
    setModal(false);
    // A fixed-size dialog: a title and a close button, nothing to resize.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ip_ = {ui_->txtIP1, ui_->txtIP2, ui_->txtIP3, ui_->txtIP4};
    ShowWholeTextWhenCut(ui_->txtURL);

    connect(ui_->cmdOK, &QPushButton::clicked, this, &frmSiteEditor::cmdOK_Click);
    connect(ui_->cmdCancel, &QPushButton::clicked, this, &frmSiteEditor::cmdCancel_Click);
    connect(ui_->txtURL, &QLineEdit::textChanged, this, &frmSiteEditor::txtURL_Change);
    connect(ui_->txtTimeOut, &QLineEdit::textChanged, this, &frmSiteEditor::txtTimeOut_Change);
    for (int box = 0; box < 4; ++box)
        connect(ip_[box], &QLineEdit::textChanged, this, [this, box] { txtIP_Change(box); });
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, &frmSiteEditor::focusChanged);

    // The dialog sees the keys and focus changes of its text boxes first.
    ui_->txtURL->installEventFilter(this);
    ui_->txtTimeOut->installEventFilter(this);
    for (QLineEdit* box : ip_) box->installEventFilter(this);
}

// The controls are destroyed after this body, by QWidget, and their focus
// moves and events must not reach the parts of this class that are gone.
frmSiteEditor::~frmSiteEditor() {
    disconnect(focusWatch_);
    ui_->txtURL->removeEventFilter(this);
    ui_->txtTimeOut->removeEventFilter(this);
    for (QLineEdit* box : ip_) box->removeEventFilter(this);
}

void frmSiteEditor::OpenNew() {
    editMode_ = false;
    currentSite_ = sites_.SiteCount() + 1;
    siteBeforeEdit_ = SiteRecord{};
    load();
}

void frmSiteEditor::OpenEdit(std::int32_t currentSite, const SiteRecord& siteBeforeEdit) {
    editMode_ = true;
    currentSite_ = currentSite;
    siteBeforeEdit_ = siteBeforeEdit;
    suppressIPChange_ = true;
    load();
}

void frmSiteEditor::load() {
    if (!open_) {
        open_ = true;
        if (hooks_.onOpened) hooks_.onOpened();
    }
    setWindowTitle(editMode_ ? QStringLiteral("Edit Site") : QStringLiteral("New Site"));

    // A stored URL is shown as it is stored; the rule against the agent
    // applies to what the operator enters.
    {
        const QSignalBlocker quiet(ui_->txtURL);
        ui_->txtURL->setText(editMode_ ? siteBeforeEdit_.URL : QString());
    }
    for (QLineEdit* box : ip_) box->clear();
    if (editMode_) {
        ui_->chkEnable->setChecked(siteBeforeEdit_.Enabled != 0);
        ui_->txtTimeOut->setText(QString::number(siteBeforeEdit_.TimeOut));
        if (!siteBeforeEdit_.IP.trimmed().isEmpty()) {
            const QStringList parts = siteBeforeEdit_.IP.split(QLatin1Char('.'));
            for (qsizetype i = 0; i < parts.size() && i < 4; ++i) ip_[i]->setText(parts.at(i));
        }
    } else {
        ui_->chkEnable->setChecked(true);
        ui_->txtTimeOut->setText(QString::number(kDefaultTimeOut));
    }
    suppressIPChange_ = false;

    adjustSize();
    PlaceOverOwner(this, mainWindow_);
    show();
    raise();
    activateWindow();
    ui_->txtURL->setFocus();
    ui_->txtURL->selectAll();
}

void frmSiteEditor::beep() {
    if (beep_) beep_();
}

// --- field behaviour ----------------------------------------------------------

void frmSiteEditor::txtURL_Change() {
    QLineEdit* box = ui_->txtURL;
    QString text = box->text();
    if (!text.toLower().contains(QLatin1String("http:"))) return;
    messages_.show(kNoAgent, MsgButtons::Ok);
    for (const QLatin1String agent :
         {QLatin1String("http://"), QLatin1String("http:/"), QLatin1String("http:")}) {
        const qsizetype at = text.indexOf(agent, 0, Qt::CaseInsensitive);
        if (at >= 0) {
            text.remove(at, agent.size());
            break;
        }
    }
    box->setText(text);
    box->selectAll();
}

void frmSiteEditor::txtIP_Change(int box) {
    if (suppressIPChange_) return;
    QLineEdit* edit = ip_[box];
    QString text = edit->text();
    const bool last = box == 3;
    if (text.contains(QLatin1Char('.'))) {
        text.remove(text.indexOf(QLatin1Char('.')), 1);
        if (text.isEmpty()) text = QStringLiteral("0");
        edit->setText(text);
        if (last)
            ui_->txtTimeOut->setFocus();
        else
            ip_[box + 1]->setFocus();
        return;
    }
    QString digits;
    for (const QChar c : text) {
        if (isDigit(c))
            digits += c;
        else
            beep();
    }
    if (digits != text) {
        // The box changes again, and that change moves the focus on when
        // the box is full.
        edit->setText(digits);
        return;
    }
    if (digits.size() >= 3 && !last) ip_[box + 1]->setFocus();
}

void frmSiteEditor::txtTimeOut_Change() {
    QLineEdit* box = ui_->txtTimeOut;
    const QString text = box->text();
    if (readsAsNumber(text)) {
        const QString formatted = generalNumber(text);
        if (formatted != text) box->setText(formatted);
        return;
    }
    QString digits;
    qsizetype cursor = box->cursorPosition();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isDigit(text.at(i))) {
            digits += text.at(i);
        } else {
            beep();
            if (i < box->cursorPosition()) --cursor;
        }
    }
    if (digits == text) return;
    box->setText(digits);
    box->setCursorPosition(static_cast<int>(std::min(cursor, box->text().size())));
}

void frmSiteEditor::txtTimeOut_Validate() {
    QLineEdit* box = ui_->txtTimeOut;
    if (box->text().trimmed().isEmpty()) {
        messages_.show(kTimeOutBlank, MsgButtons::Ok);
        box->setText(QString::number(kDefaultTimeOut));
        return;
    }
    const double value = numericValue(box->text());
    if (value < kMinTimeOut) {
        messages_.show(kTimeOutRange, MsgButtons::Ok);
        box->setText(QString::number(kMinTimeOut));
    } else if (value > kMaxTimeOut) {
        messages_.show(kTimeOutRange, MsgButtons::Ok);
        box->setText(QString::number(kMaxTimeOut));
    }
}

// The time-out is checked when the focus leaves it for another control of
// this dialog, except Cancel, so that Cancel is never refused by a bad value.
// Leaving the window (or closing it) checks nothing.
void frmSiteEditor::focusChanged(QWidget* old, QWidget* now) {
    if (old != ui_->txtTimeOut || !now || now == ui_->cmdCancel || !isAncestorOf(now)) return;
    if (!isVisible()) return;
    txtTimeOut_Validate();
}

// Enter, Right and Down go to the next box; Left and Up to the previous
// field. In the last box only Left and Up act.
bool frmSiteEditor::ipKey(int box, int key) {
    const bool forward = isEnter(key) || key == Qt::Key_Right || key == Qt::Key_Down;
    const bool back = key == Qt::Key_Left || key == Qt::Key_Up;
    if (back) {
        if (box == 0)
            ui_->txtURL->setFocus();
        else
            ip_[box - 1]->setFocus();
        return true;
    }
    if (forward && box < 3) {
        ip_[box + 1]->setFocus();
        return true;
    }
    // Enter in the last box does nothing, in particular no OK.
    return isEnter(key);
}

bool frmSiteEditor::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return QDialog::eventFilter(watched, event);

    if (event->type() == QEvent::FocusIn) {
        edit->selectAll();
        // A click places the cursor after the focus arrived; select after it.
        if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
            QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const int key = keyEvent->key();
    if (key == Qt::Key_Escape) {
        cmdCancel_Click();
        return true;
    }
    if (edit == ui_->txtURL || edit == ui_->txtTimeOut) {
        if (!isEnter(key)) return false;
        cmdOK_Click();
        return true;
    }
    for (int box = 0; box < 4; ++box)
        if (edit == ip_[box]) return ipKey(box, key);
    return false;
}

void frmSiteEditor::keyPressEvent(QKeyEvent* event) {
    // Esc anywhere is Cancel. Enter acts as OK only in the URL and time-out
    // boxes (above); elsewhere it does not fall through to a default button.
    if (event->key() == Qt::Key_Escape) {
        cmdCancel_Click();
        return;
    }
    if (isEnter(event->key())) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// --- OK and Cancel ------------------------------------------------------------

void frmSiteEditor::cmdOK_Click() {
    // Enter in a box reaches OK with the focus still in the time-out box, so
    // its check has not run: it runs here, whichever way OK came, and no
    // time-out outside 1..1800 is ever stored. After a click on OK the box
    // was checked as the focus left it, and holds a sound value already.
    txtTimeOut_Validate();

    QLineEdit* urlBox = ui_->txtURL;
    QString url = urlBox->text().trimmed();
    if (url != urlBox->text()) urlBox->setText(url);

    // The boxes show the numbers as they are stored; no range is checked.
    QString address;
    const bool anyPart =
        std::any_of(ip_.begin(), ip_.end(), [](QLineEdit* box) { return !box->text().isEmpty(); });
    if (anyPart) {
        suppressIPChange_ = true;
        QStringList parts;
        for (QLineEdit* box : ip_) {
            box->setText(decimalForm(box->text()));
            parts << box->text();
        }
        suppressIPChange_ = false;
        address = parts.join(QLatin1Char('.'));
    }

    if (url.isEmpty() && address.isEmpty()) {
        messages_.show(kCompleteUrl, MsgButtons::Ok);
        urlBox->setFocus();
        return;
    }
    if (url.isEmpty()) {
        url = address;
        address.clear();
        urlBox->setText(url);
    }

    const bool urlChanged = !editMode_ || url.toLower() != siteBeforeEdit_.URL.toLower();
    if (urlChanged && store_.IsUrlTaken(url)) {
        messages_.show(duplicateMessage(url), MsgButtons::Ok);
        urlBox->setFocus();
        urlBox->selectAll();
        return;
    }

    SiteRecord entered;
    entered.URL = url;
    entered.IP = address;
    entered.TimeOut = RoundHalfEven(numericValue(ui_->txtTimeOut->text()));
    entered.Enabled = ui_->chkEnable->isChecked() ? 1 : 0;
    if (editMode_)
        store_.EditSite(currentSite_, siteBeforeEdit_, entered);
    else
        currentSite_ = store_.AddSite(entered);

    if (hooks_.onSaved) hooks_.onSaved(currentSite_);
    close();
}

void frmSiteEditor::cmdCancel_Click() {
    close();
}

void frmSiteEditor::reject() {
    cmdCancel_Click();
}

void frmSiteEditor::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!open_) return;
    open_ = false;
    if (hooks_.onClosed) hooks_.onClosed();
}

}  // namespace ossivant
