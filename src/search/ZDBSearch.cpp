// The search properties (TZDBGridSearch), the matching rule and the messages.

#include "ZDBSearch.h"

#include "ZDBGrids.h"

#include <QStringView>

#include <algorithm>

namespace zdb {

QString SSearchMatchNotFound = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Search match not found!\rRestart search from the beginning?"));
QString SSearchStringNotFound = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Search string '%s' not found!"));
QString SCloseSearch = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Close search (Esc)"));
QString SFindFirst = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Find first (Ctrl+F3)"));
QString SFindLast = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Find last (Alt+F3)"));
QString SFindNext = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Search down (F3)"));
QString SFindPrev = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Search up (Shift+F3)"));
QString SMoreOptions = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "More options"));
QString SCaseSensitive = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "&Case sensitive"));
QString SWholeWords = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "&Whole words"));
QString SWrapAround = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "W&rap around"));
QString SCurrentCol = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "C&urrent column"));
QString SFilterRows = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "&Filter rows"));

namespace {

constexpr TZSearchOptions AllOptions{soCaseSensitive, soWholeWords, soWrapAround, soSkipMessage, soCurrentCol,
                                     soFilterRows};

// Whether the code point ending just before At (a UTF-16 index) is a letter.
bool LetterBefore(QStringView Text, qsizetype At)
{
    if (At <= 0)
        return false;
    const QChar low = Text[At - 1];
    if (low.isLowSurrogate() && At >= 2 && Text[At - 2].isHighSurrogate())
        return QChar::isLetter(QChar::surrogateToUcs4(Text[At - 2], low));
    return low.isLetter();
}

// Whether the code point starting at At is a letter.
bool LetterAt(QStringView Text, qsizetype At)
{
    if (At >= Text.size())
        return false;
    const QChar high = Text[At];
    if (high.isHighSurrogate() && At + 1 < Text.size() && Text[At + 1].isLowSurrogate())
        return QChar::isLetter(QChar::surrogateToUcs4(high, Text[At + 1]));
    return high.isLetter();
}

} // namespace

int Match(const QString& SearchText, const QString& Text, TZSearchOptions Options)
{
    const qsizetype length = SearchText.size();
    if (length == 0 || Text.size() < length)
        return 0;
    const Qt::CaseSensitivity sensitivity = (Options & soCaseSensitive) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const QStringView text(Text);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(SearchText, from, sensitivity);
        if (at < 0)
            return 0;
        if (!(Options & soWholeWords) || (!LetterBefore(text, at) && !LetterAt(text, at + length)))
            return int(at + 1);
        // A candidate inside a word: go on after it.
        from = at + length;
    }
}

TZSearchMode ShiftStateToSearchMode(Qt::KeyboardModifiers Shift)
{
    if (Shift & Qt::ControlModifier)
        return smFirst;
    if (Shift & Qt::ShiftModifier)
        return smPrev;
    if (Shift & Qt::AltModifier)
        return smLast;
    return smNext;
}

// ---- TZDBGridSearch ----------------------------------------------------------------

TZDBGridSearch::TZDBGridSearch(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}

TZDBGridSearch::~TZDBGridSearch()
{
    // The panel is a child of the grid; it goes with the search, before the grid does.
    delete FPanel.data();
}

void TZDBGridSearch::SetPanelVisible(bool Value)
{
    if (Value == FPanelVisible)
        return;
    if (!FGrid || FGrid->IsLoading() || FGrid->IsDesigning()) {
        FPanelVisible = Value;
        return;
    }
    if (Value)
        FGrid->ShowSearchPanel();
    else
        FGrid->CloseSearchPanel();
}

void TZDBGridSearch::RecreatePanel()
{
    if (!FGrid || !FPanel)
        return;
    FGrid->CloseSearchPanel();
    FGrid->ShowSearchPanel();
}

void TZDBGridSearch::SetPanelOnTop(bool Value)
{
    if (Value == FPanelOnTop)
        return;
    FPanelOnTop = Value;
    RecreatePanel();
}

void TZDBGridSearch::SetPermanent(bool Value)
{
    if (Value == FPermanent)
        return;
    FPermanent = Value;
    RecreatePanel();
}

void TZDBGridSearch::SetActive(bool Value)
{
    if (Value == FActive)
        return;
    FActive = Value;
    if (!FText.isEmpty())
        LayoutChanged();
}

void TZDBGridSearch::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    if (GetVisible())
        LayoutChanged();
}

void TZDBGridSearch::SetListWidth(int Value)
{
    if (Value < 1)
        Value = DefaultListWidth;
    Value = std::max(Value, MinListWidth);
    if (Value == FListWidth)
        return;
    FListWidth = Value;
    RecreatePanel();
}

void TZDBGridSearch::SetPanelColor(TColor Value)
{
    if (Value == FPanelColor)
        return;
    FPanelColor = Value;
    if (FPanel)
        FPanel->UpdateControls();
}

void TZDBGridSearch::SetText(const QString& Value)
{
    if (Value == FText)
        return;
    FText = Value;
    if (FOptions & soFilterRows)
        FilterChanged();
    if (FActive)
        LayoutChanged();
}

void TZDBGridSearch::SetOptions(TZSearchOptions Value)
{
    Value &= AllOptions;
    if (Value == FOptions)
        return;
    const bool wasVisible = GetVisible();
    const TZSearchOptions changed = FOptions ^ Value;
    FOptions = Value;
    if (((changed & soFilterRows) && !FText.isEmpty()) ||
        (GetFilterActive() && (changed & (TZSearchOptions(soCaseSensitive) | soWholeWords | soCurrentCol))))
        FilterChanged();
    if (wasVisible)
        LayoutChanged();
    if (FPanel)
        FPanel->UpdateControls();
}

void TZDBGridSearch::SetVisibleOptions(TZSearchOptions Value)
{
    Value &= AllOptions & ~TZSearchOptions(soSkipMessage);
    if (Value == FVisibleOptions)
        return;
    FVisibleOptions = Value;
    RecreatePanel();
}

void TZDBGridSearch::SwitchOptions(TZSearchOptions Value, bool On)
{
    SetOptions(On ? FOptions | Value : FOptions & ~Value);
}

void TZDBGridSearch::SwitchVisibleOptions(TZSearchOptions Value, bool On)
{
    SetVisibleOptions(On ? FVisibleOptions | Value : FVisibleOptions & ~Value);
}

bool TZDBGridSearch::GetFilterActive() const
{
    return !FText.isEmpty() && (FOptions & soFilterRows);
}

bool TZDBGridSearch::GetVisible() const
{
    return (FActive || FIncremental) && !FText.isEmpty();
}

void TZDBGridSearch::AddHistory(const QString& Text)
{
    if (Text.isEmpty())
        return;
    FHistory.removeAll(Text);
    FHistory.prepend(Text);
}

void TZDBGridSearch::FilterChanged()
{
    if (!FGrid)
        return;
    // A filter the search no longer needs is taken away (or left to the column
    // filters) by UpdateFilter; FilterChanged alone would keep it installed.
    if (GetFilterActive())
        FGrid->FilterChanged();
    else if (FGrid->FilterGrid() && FGrid->FilterGrid()->GetActive())
        FGrid->UpdateFilter();
}

void TZDBGridSearch::LayoutChanged()
{
    if (FGrid)
        FGrid->Invalidate();
}

} // namespace zdb
