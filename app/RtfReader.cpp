#include "app/RtfReader.h"

#include <QHash>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextListFormat>
#include <algorithm>
#include <cctype>
#include <vector>

namespace zelvan::app
{

namespace
{

// Code page 1252 where it differs from Latin-1 (0x80..0x9F); 0 marks an unused position.
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QChar fromCp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kCp1252High[byte - 0x80] ? QChar(kCp1252High[byte - 0x80]) : QChar(0xFFFD);
    return QChar(byte);
}

constexpr int kMaxListItems = 200;

// Destinations whose contents are never shown.
bool isSkippedDestination(const QByteArray& word)
{
    static const char* const kSkipped[] = {"fonttbl",
                                           "colortbl",
                                           "stylesheet",
                                           "info",
                                           "pict",
                                           "object",
                                           "header",
                                           "headerl",
                                           "headerr",
                                           "headerf",
                                           "footer",
                                           "footerl",
                                           "footerr",
                                           "footerf",
                                           "footnote",
                                           "listtable",
                                           "listoverridetable",
                                           "filetbl",
                                           "revtbl",
                                           "rsidtbl",
                                           "themedata",
                                           "colorschememapping",
                                           "latentstyles",
                                           "datastore",
                                           "xmlnstbl",
                                           "generator",
                                           "fldinst",
                                           "nonshppict",
                                           "pgdsctbl",
                                           "annotation",
                                           "pn",
                                           "atnid",
                                           "bkmkstart",
                                           "bkmkend",
                                           "template"};
    return std::any_of(std::begin(kSkipped), std::end(kSkipped),
                       [&](const char* s) { return word == s; });
}

// What a group carries: character and paragraph properties and how its text is used.
struct GroupState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int leftIndent = 0;  // twips
    int firstIndent = 0; // twips
    int spaceBefore = 0; // twips
    int spaceAfter = 0;  // twips
    Qt::Alignment alignment = Qt::AlignLeft;
    int unicodeSkip = 1;
    bool skip = false;     // an ignored destination
    bool listText = false; // \pntext or \listtext: the bullet or number of the paragraph
};

class RtfParser
{
public:
    RtfParser(const QByteArray& in, int start, QTextDocument& document)
        : in_(in), at_(start), cursor_(&document)
    {
    }
    void run();

private:
    GroupState& state() { return stack_.back(); }
    void openGroup();
    void closeGroup();
    void controlWord();
    void controlSymbol(char symbol);
    bool characterWord(const QByteArray& word, bool hasParam, int param);
    bool paragraphWord(const QByteArray& word, bool hasParam, int param);
    bool specialCharacter(const QByteArray& word);
    void unicode(int param);
    void destination(const QByteArray& word);
    void text(QChar c);
    void flush();
    void endParagraph();
    void startPendingBlock();
    QTextCharFormat charFormat() const;

    const QByteArray& in_;
    int at_ = 0;
    QTextCursor cursor_;
    std::vector<GroupState> stack_{GroupState{}};
    int overflow_ = 0;       // groups opened beyond kRtfMaxDepth, still open
    bool ignorable_ = false; // a "\*" waits for its destination word
    int pendingSkip_ = 0;    // fallback characters of a \u still to drop
    QString pending_;        // text not yet put into the document
    QString listMarker_;     // bullet or number text of the current paragraph
    bool inListParagraph_ = false;
    QTextList* list_ = nullptr;
    bool listIsNumbered_ = false;
    bool wroteBlock_ = false;
    bool needBlock_ = false; // a paragraph ended; its successor starts with the next content
};

void RtfParser::run()
{
    const int n = int(in_.size());
    while (at_ < n) {
        const char c = in_[at_++];
        if (overflow_ > 0) {
            if (c == '\\')
                ++at_; // an escaped brace does not count
            else if (c == '{')
                ++overflow_;
            else if (c == '}')
                --overflow_;
            continue;
        }
        if (c == '{')
            openGroup();
        else if (c == '}')
            closeGroup();
        else if (c == '\\')
            controlWord();
        else if (c == '\t')
            text(QLatin1Char('\t'));
        else if (c != '\r' && c != '\n' && c != '\0')
            text(fromCp1252(static_cast<unsigned char>(c)));
    }
    flush();
    if (wroteBlock_ || inListParagraph_)
        endParagraph();
}

void RtfParser::openGroup()
{
    if (int(stack_.size()) >= kRtfMaxDepth) {
        overflow_ = 1;
        return;
    }
    flush();
    stack_.push_back(stack_.back());
    state().listText = false;
    pendingSkip_ = 0;
}

void RtfParser::closeGroup()
{
    if (stack_.size() <= 1)
        return; // an unbalanced brace: nothing to close
    flush();
    if (state().listText && !stack_[stack_.size() - 2].listText)
        inListParagraph_ = true;
    stack_.pop_back();
    ignorable_ = false;
    pendingSkip_ = 0;
}
void RtfParser::controlWord()
{
    const int n = int(in_.size());
    if (at_ >= n)
        return;
    const char first = in_[at_];
    const bool letter = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z');
    if (!letter) {
        ++at_;
        controlSymbol(first);
        return;
    }
    QByteArray word;
    while (at_ < n && word.size() < 32 &&
           ((in_[at_] >= 'a' && in_[at_] <= 'z') || (in_[at_] >= 'A' && in_[at_] <= 'Z')))
        word += in_[at_++];
    while (at_ < n &&
           ((in_[at_] >= 'a' && in_[at_] <= 'z') || (in_[at_] >= 'A' && in_[at_] <= 'Z')))
        ++at_; // a word longer than any known one
    bool negative = false;
    if (at_ < n && in_[at_] == '-' && at_ + 1 < n && in_[at_ + 1] >= '0' && in_[at_ + 1] <= '9') {
        negative = true;
        ++at_;
    }
    bool hasParam = false;
    long long value = 0;
    while (at_ < n && in_[at_] >= '0' && in_[at_] <= '9') {
        hasParam = true;
        value = std::min<long long>(value * 10 + (in_[at_++] - '0'), 1000000000);
    }
    if (at_ < n && in_[at_] == ' ')
        ++at_;
    const int param = int(negative ? -value : value);

    if (ignorable_) {
        ignorable_ = false;
        flush();
        state().skip = true; // every \* destination is one this reader does not show
        return;
    }
    if (word == "bin") {
        at_ += std::clamp(param, 0, n - at_); // raw bytes, never text
        return;
    }
    if (state().skip)
        return;
    if (word == "u") {
        unicode(param);
        return;
    }
    if (!characterWord(word, hasParam, param) && !paragraphWord(word, hasParam, param) &&
        !specialCharacter(word))
        destination(word);
}

void RtfParser::controlSymbol(char symbol)
{
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        text(QLatin1Char(symbol));
        break;
    case '~':
        text(QChar(0x00A0));
        break;
    case '_':
        text(QChar(0x2011));
        break;
    case '*':
        ignorable_ = true;
        break;
    case '\r':
    case '\n':
        if (!state().skip)
            endParagraph();
        break;
    case '\'': {
        const QByteArray hex = in_.mid(at_, 2);
        bool ok = false;
        const int byte = hex.size() == 2 ? hex.toInt(&ok, 16) : 0;
        if (ok) {
            at_ += 2;
            text(fromCp1252(static_cast<unsigned char>(byte)));
        }
        break;
    }
    default:
        break; // \- (optional hyphen), \| and the like show nothing
    }
}

bool RtfParser::characterWord(const QByteArray& word, bool hasParam, int param)
{
    const bool on = !hasParam || param != 0;
    static const char* const kWords[] = {"b", "i", "ul", "ulnone", "fs", "plain", "uc"};
    if (std::none_of(std::begin(kWords), std::end(kWords),
                     [&](const char* w) { return word == w; }))
        return false;
    flush(); // the text so far keeps the format it was written in
    GroupState& s = state();
    if (word == "b")
        s.bold = on;
    else if (word == "i")
        s.italic = on;
    else if (word == "ul")
        s.underline = on;
    else if (word == "ulnone")
        s.underline = false;
    else if (word == "fs")
        s.halfPoints = std::clamp(hasParam ? param : 24, 2, 400);
    else if (word == "plain") {
        s.bold = s.italic = s.underline = false;
        s.halfPoints = 24;
    } else
        s.unicodeSkip = std::clamp(param, 0, 16);
    return true;
}

bool RtfParser::paragraphWord(const QByteArray& word, bool hasParam, int param)
{
    GroupState& s = state();
    const int twips = std::clamp(hasParam ? param : 0, -31680, 31680);
    if (word == "par") {
        endParagraph();
    } else if (word == "pard") {
        s.leftIndent = s.firstIndent = s.spaceBefore = s.spaceAfter = 0;
        s.alignment = Qt::AlignLeft;
        if (!s.listText) { // Word restarts the marker's own paragraph inside \listtext
            inListParagraph_ = false;
            listMarker_.clear();
        }
    } else if (word == "li") {
        s.leftIndent = twips;
    } else if (word == "fi") {
        s.firstIndent = twips;
    } else if (word == "sb") {
        s.spaceBefore = twips;
    } else if (word == "sa") {
        s.spaceAfter = twips;
    } else if (word == "ql" || word == "qc" || word == "qr" || word == "qj") {
        s.alignment = word == "qc"   ? Qt::AlignHCenter
                      : word == "qr" ? Qt::AlignRight
                      : word == "qj" ? Qt::AlignJustify
                                     : Qt::AlignLeft;
    } else {
        return false;
    }
    return true;
}

bool RtfParser::specialCharacter(const QByteArray& word)
{
    static const QHash<QByteArray, QChar> kCharacters = {{"line", QChar(QChar::LineSeparator)},
                                                         {"tab", QLatin1Char('\t')},
                                                         {"emdash", QChar(0x2014)},
                                                         {"endash", QChar(0x2013)},
                                                         {"bullet", QChar(0x2022)},
                                                         {"lquote", QChar(0x2018)},
                                                         {"rquote", QChar(0x2019)},
                                                         {"ldblquote", QChar(0x201C)},
                                                         {"rdblquote", QChar(0x201D)},
                                                         {"emspace", QChar(0x2003)},
                                                         {"enspace", QChar(0x2002)}};
    const auto found = kCharacters.constFind(word);
    if (found == kCharacters.constEnd())
        return false;
    text(*found);
    return true;
}

void RtfParser::unicode(int param)
{
    const int unit = param < 0 ? param + 65536 : param;
    if (unit >= 0 && unit <= 0xFFFF)
        text(QChar(char16_t(unit)));
    pendingSkip_ = state().unicodeSkip;
}

void RtfParser::destination(const QByteArray& word)
{
    if (isSkippedDestination(word)) {
        flush();
        state().skip = true;
    } else if (word == "pntext" || word == "listtext") {
        flush();
        state().listText = true;
        listMarker_.clear();
    }
}

void RtfParser::text(QChar c)
{
    if (pendingSkip_ > 0) {
        --pendingSkip_; // the fallback of the \u before
        return;
    }
    const GroupState& s = state();
    if (s.skip)
        return;
    if (s.listText)
        listMarker_ += c;
    else
        pending_ += c;
}

QTextCharFormat RtfParser::charFormat() const
{
    const GroupState& s = stack_.back();
    QTextCharFormat format;
    format.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(s.italic);
    format.setFontUnderline(s.underline);
    format.setFontPointSize(s.halfPoints / 2.0);
    return format;
}

void RtfParser::startPendingBlock()
{
    if (!needBlock_)
        return;
    // A paragraph mark at the very end makes no empty last paragraph.
    cursor_.insertBlock(QTextBlockFormat(), charFormat());
    needBlock_ = false;
}

void RtfParser::flush()
{
    if (pending_.isEmpty())
        return;
    startPendingBlock();
    cursor_.insertText(pending_, charFormat());
    pending_.clear();
    wroteBlock_ = true;
}

void RtfParser::endParagraph()
{
    flush();
    startPendingBlock();
    const GroupState& s = state();
    QTextBlockFormat block;
    block.setLeftMargin(s.leftIndent / 15.0);
    block.setTextIndent(inListParagraph_ ? 0 : s.firstIndent / 15.0);
    block.setTopMargin(s.spaceBefore / 15.0);
    block.setBottomMargin(s.spaceAfter / 15.0);
    block.setAlignment(s.alignment);
    cursor_.setBlockFormat(block);
    if (inListParagraph_) {
        const bool numbered = std::any_of(listMarker_.begin(), listMarker_.end(),
                                          [](QChar c) { return c.isDigit(); });
        // Qt relays every item of a list when one joins it: a list is cut after
        // kMaxListItems so that a hostile file stays linear (a numbered one starts again at 1).
        if (!list_ || numbered != listIsNumbered_ || list_->count() >= kMaxListItems) {
            QTextListFormat format;
            format.setStyle(numbered ? QTextListFormat::ListDecimal : QTextListFormat::ListDisc);
            list_ = cursor_.createList(format);
            listIsNumbered_ = numbered;
        } else {
            list_->add(cursor_.block());
        }
        block = cursor_.blockFormat();
        block.setLeftMargin(std::max(0.0, s.leftIndent / 15.0 - 24));
        cursor_.setBlockFormat(block);
    } else {
        list_ = nullptr;
    }
    needBlock_ = true;
    inListParagraph_ = false;
    listMarker_.clear();
    wroteBlock_ = false;
}

} // namespace

Status readRtf(const QByteArray& rtf, QTextDocument& document)
{
    document.clear();
    int start = 0;
    while (start < rtf.size() && std::isspace(static_cast<unsigned char>(rtf[start])))
        ++start;
    if (rtf.mid(start, 5) != "{\\rtf")
        return fail(QStringLiteral("The text is not rich text: it does not begin with {\\rtf."));
    // No undo history, and one layout at the end instead of one per insertion: either would
    // make a long document quadratic in time and memory.
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    {
        QTextCursor batch(&document);
        batch.beginEditBlock();
        RtfParser(rtf, start, document).run();
        batch.endEditBlock();
    }
    document.setUndoRedoEnabled(undo);
    return {};
}

} // namespace zelvan::app
