#pragma once
// The grid's search: TZDBGridSearch (the grid's Search) holds the search text,
// its options and the look of the hits; TZDBGridSearchPanel is the strip docked
// at the top or bottom of the grid that drives it (a text box that remembers
// earlier texts, four search buttons, the option check boxes, a "More options"
// menu for what does not fit, and a close button).
//
// Matching (Match): the first occurrence of the search text in a cell's display
// text, ignoring case unless soCaseSensitive (Unicode case folding), and with
// soWholeWords only where no letter touches it on either side (digits, blanks
// and punctuation end a word; letters of any script do not). The same rule
// finds the cells of a search, the records of the search filter (soFilterRows,
// through the grid's record filter) and the hit painted in each cell.
//
// The grid's side (SearchGrid, SearchCell, the panel's place, the record test
// and the painted hit) lives in ZDBSearchGrid.cpp.

#include "Graphics.h"

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;
class QComboBox;
class QMenu;
class QAction;
class QToolButton;

namespace zdb {

class TZCustomDBGrid;
class TZDBGridSearchPanel;

// Registered by key names ("soCaseSensitive|soWholeWords"), like the grid's own sets.
inline namespace SearchTypes {
Q_NAMESPACE

enum TZSearchMode { smFirst, smNext, smPrev, smLast };
Q_ENUM_NS(TZSearchMode)

enum TZSearchOption : std::uint8_t {
    soCaseSensitive = 1u << 0,
    soWholeWords = 1u << 1,
    soWrapAround = 1u << 2,
    soSkipMessage = 1u << 3,
    soCurrentCol = 1u << 4,
    soFilterRows = 1u << 5,
};
Q_DECLARE_FLAGS(TZSearchOptions, TZSearchOption)
Q_FLAG_NS(TZSearchOptions)

} // namespace SearchTypes

// The messages and captions of the search (assignable, so that an application
// can translate them before use).
extern QString SSearchMatchNotFound;  // "Search match not found!\rRestart search from the beginning?"
extern QString SSearchStringNotFound; // "Search string '%s' not found!"
extern QString SCloseSearch;          // "Close search (Esc)"
extern QString SFindFirst;            // "Find first (Ctrl+F3)"
extern QString SFindLast;             // "Find last (Alt+F3)"
extern QString SFindNext;             // "Search down (F3)"
extern QString SFindPrev;             // "Search up (Shift+F3)"
extern QString SMoreOptions;          // "More options"
extern QString SCaseSensitive;        // "&Case sensitive"
extern QString SWholeWords;           // "&Whole words"
extern QString SWrapAround;           // "W&rap around"
extern QString SCurrentCol;           // "C&urrent column"
extern QString SFilterRows;           // "&Filter rows"

// The 1-based position of the first occurrence of SearchText in Text under
// Options (soCaseSensitive, soWholeWords); 0 when there is none or SearchText
// is empty. Every character is taken literally.
int Match(const QString& SearchText, const QString& Text, TZSearchOptions Options);

// Ctrl: smFirst; else Shift: smPrev; else Alt: smLast; else smNext.
TZSearchMode ShiftStateToSearchMode(Qt::KeyboardModifiers Shift);

// The search properties of a grid.
class TZDBGridSearch
{
    Q_GADGET
    Q_PROPERTY(bool PanelVisible READ GetPanelVisible WRITE SetPanelVisible)
    Q_PROPERTY(bool PanelOnTop READ GetPanelOnTop WRITE SetPanelOnTop)
    Q_PROPERTY(bool Incremental READ GetIncremental WRITE SetIncremental)
    Q_PROPERTY(bool Permanent READ GetPermanent WRITE SetPermanent)
    Q_PROPERTY(bool Active READ GetActive WRITE SetActive)
    Q_PROPERTY(int Color READ GetColor WRITE SetColor)
    Q_PROPERTY(int ListWidth READ GetListWidth WRITE SetListWidth)
    Q_PROPERTY(int PanelColor READ GetPanelColor WRITE SetPanelColor)
    Q_PROPERTY(QString Text READ GetText WRITE SetText)
    Q_PROPERTY(zdb::SearchTypes::TZSearchOptions Options READ GetOptions WRITE SetOptions)
    Q_PROPERTY(zdb::SearchTypes::TZSearchOptions VisibleOptions READ GetVisibleOptions WRITE SetVisibleOptions)

public:
    static constexpr int DefaultListWidth = 104;
    static constexpr int MinListWidth = 80;
    static constexpr TZSearchOptions DefaultVisibleOptions{soCaseSensitive, soWholeWords, soWrapAround,
                                                           soCurrentCol, soFilterRows};

    explicit TZDBGridSearch(TZCustomDBGrid* AGrid);
    virtual ~TZDBGridSearch();
    TZDBGridSearch(const TZDBGridSearch&) = delete;
    TZDBGridSearch& operator=(const TZDBGridSearch&) = delete;

    TZCustomDBGrid* Grid() const { return FGrid; }

    // Shows (ShowSearchPanel) or closes the panel.
    bool GetPanelVisible() const { return FPanelVisible; }
    void SetPanelVisible(bool Value);
    // Docked at the top (ignored under a custom visual style).
    bool GetPanelOnTop() const { return FPanelOnTop; }
    void SetPanelOnTop(bool Value);
    // Typing searches as you type (panel) or filters as you type (grid).
    bool GetIncremental() const { return FIncremental; }
    void SetIncremental(bool Value) { FIncremental = Value; }
    // No close button, and Escape leaves the panel open.
    bool GetPermanent() const { return FPermanent; }
    void SetPermanent(bool Value);
    // The search text is highlighted in the cells.
    bool GetActive() const { return FActive; }
    void SetActive(bool Value);
    // The highlight colour; clDefault resolves to DefaultColor, clNone paints no hits.
    TColor GetColor() const { return FColor; }
    void SetColor(TColor Value);
    // The panel's text box width; below 1 becomes 104, then below 80 becomes 80.
    int GetListWidth() const { return FListWidth; }
    void SetListWidth(int Value);
    // clDefault: the colour of the panel's parent.
    TColor GetPanelColor() const { return FPanelColor; }
    void SetPanelColor(TColor Value);
    QString GetText() const { return FText; }
    void SetText(const QString& Value);
    TZSearchOptions GetOptions() const { return FOptions; }
    void SetOptions(TZSearchOptions Value);
    // The options the panel offers as check boxes (never soSkipMessage).
    TZSearchOptions GetVisibleOptions() const { return FVisibleOptions; }
    void SetVisibleOptions(TZSearchOptions Value);
    // Adds (On) or removes the members of Value.
    void SwitchOptions(TZSearchOptions Value, bool On);
    void SwitchVisibleOptions(TZSearchOptions Value, bool On);

    // The search filter is on: a text and soFilterRows.
    virtual bool GetFilterActive() const;
    // The hits show: Active or Incremental, and a text.
    virtual bool GetVisible() const;
    static TColor DefaultColor() { return TColor(43775); }
    static TColor DefaultPanelColor() { return clBtnFace; }
    // Color with clDefault resolved (clNone stays).
    TColor ColorValue() const { return FColor == clDefault ? DefaultColor() : FColor; }

    // The earlier search texts, latest first (the panel's list).
    QStringList& History() { return FHistory; }
    const QStringList& History() const { return FHistory; }
    // Puts Text at the top of the history (an equal entry, compared with case, moves there).
    void AddHistory(const QString& Text);

    // The panel while it is shown (none when closed).
    TZDBGridSearchPanel* Panel() const { return FPanel; }
    int PanelHeight() const { return FPanelHeight; }

    // The hit recorded by the grid's text layout in the cell painted last: the
    // rectangle of the first occurrence, the matched text and its baseline.
    struct THit {
        bool Valid = false;
        QRect Rect;
        QRect Clip;
        QPoint Origin;
        QString Text;
    };
    const THit& Hit() const { return FHit; }

    // The messages of SearchGrid: the restart question (true for Yes) and the
    // not-found message.
    virtual bool AskRestart();
    virtual void ShowNotFound(const QString& Text);

protected:
    friend class TZCustomDBGrid;
    // The search filter's records change (a new text or options).
    virtual void FilterChanged();
    // The painted hits change.
    virtual void LayoutChanged();
    // The panel is shown again so that it takes a changed property.
    void RecreatePanel();

    TZCustomDBGrid* FGrid;
    bool FPanelVisible = false;
    bool FPanelOnTop = false;
    bool FIncremental = false;
    bool FPermanent = false;
    bool FActive = true;
    TColor FColor = clDefault;
    int FListWidth = DefaultListWidth;
    TColor FPanelColor = clDefault;
    QString FText;
    TZSearchOptions FOptions;
    TZSearchOptions FVisibleOptions = DefaultVisibleOptions;
    QStringList FHistory;
    QPointer<TZDBGridSearchPanel> FPanel;
    int FPanelHeight = 0;
    THit FHit;
};

// The search panel. Controls at 96 DPI, W = ListWidth: the text box at 4
// (W + 5 wide), the buttons search down, search up, find first and find last
// 23 wide from W + 16 in steps of 24, the option check boxes 97 wide from
// W + 120 in steps of 100, "More options" after the last control shown and the
// close button at the right end. Controls that do not fit are hidden from the
// right (the check boxes, then the buttons) and offered in the "More options" menu.
//
// The panel also stands on a form by itself (as Qt Designer places it): it
// then searches the grid whose object name is GridName in the panel's window,
// keeps ListWidth, Permanent and VisibleOptions of its own, and its controls
// stay disabled while there is no such grid. A docked panel's properties are
// its grid's Search's. The search options are always the grid's: the check
// boxes show them, a click switches its one option in the grid's search, and
// SearchOptions given to a panel before it found its grid go to that grid.
class TZDBGridSearchPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString GridName READ GetGridName WRITE SetGridName)
    Q_PROPERTY(int ListWidth READ GetListWidth WRITE SetListWidth)
    Q_PROPERTY(bool Permanent READ GetPermanent WRITE SetPermanent)
    Q_PROPERTY(zdb::SearchTypes::TZSearchOptions VisibleOptions READ GetVisibleOptions WRITE SetVisibleOptions)
    Q_PROPERTY(zdb::SearchTypes::TZSearchOptions SearchOptions READ GetSearchOptions WRITE SetSearchOptions)

public:
    using TCloseEvent = std::function<void()>;

    // The panel docked in AGrid.
    TZDBGridSearchPanel(TZCustomDBGrid* AGrid, TCloseEvent AOnClose);
    // A panel of its own on a form.
    explicit TZDBGridSearchPanel(QWidget* parent = nullptr);
    ~TZDBGridSearchPanel() override;

    // The grid the panel is docked in (none for a panel of its own).
    TZCustomDBGrid* Grid() const { return FGrid; }
    // The grid searched: the docked panel's grid, else the grid named GridName
    // in the panel's window (none while there is none).
    TZCustomDBGrid* SearchedGrid();
    QString GetGridName() const { return FGridName; }
    void SetGridName(const QString& Value);
    // The text box's width; below 1 becomes 104, then below 80 becomes 80.
    int GetListWidth() const;
    void SetListWidth(int Value);
    // No close button, and Escape leaves the panel open.
    bool GetPermanent() const;
    void SetPermanent(bool Value);
    // The options offered as check boxes (never soSkipMessage).
    TZSearchOptions GetVisibleOptions() const;
    void SetVisibleOptions(TZSearchOptions Value);
    QSize sizeHint() const override;
    // Builds the controls (called once by the constructor).
    virtual void CreateControls();
    // Searches the text box's text: from a key or button (FromChange false) the
    // text goes to the top of the history first; then the options and the text go
    // to the grid's search, and the grid searches.
    bool Search(TZSearchMode Mode, bool FromChange = false);
    // Hides the panel, gives the focus back to the grid and calls the close event.
    Q_INVOKABLE void Close();
    // Focuses the text box.
    void SetFocus();
    // The options of the check boxes (soSkipMessage carried over from the grid's search).
    TZSearchOptions GetSearchOptions() const;
    // Checks the boxes and sets the grid's search options (kept for the grid
    // the panel finds, while it has none).
    void SetSearchOptions(TZSearchOptions Value);
    // Places the controls for the panel's width (hiding what does not fit).
    void ResizeControls();
    // Takes the search's properties (colour, options, history).
    void UpdateControls();
    // Rescales the controls for PPI pixels per inch.
    void ScaleForPPI(int PPI);
    // The height the panel asks for at its PPI.
    int PanelHeight() const;

    QComboBox* SearchList() const { return FSearchList; }
    QMenu* MoreMenu() const { return FMoreMenu; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    // A 96-DPI length at the panel's PPI.
    int Scaled(int Value) const;

private:
    enum { bnNext, bnPrev, bnFirst, bnLast, ButtonCount };
    enum { OptionCount = 5 };
    static const std::array<TZSearchOption, OptionCount> OptionOrder;
    void ButtonSearch(TZSearchMode Mode);
    // The check box of OptionOrder[Index] was clicked.
    void OptionClicked(size_t Index);
    // Checks the boxes by Value (nothing else happens).
    void ShowOptions(TZSearchOptions Value);
    void RefreshHistory();
    void UpdateMoreMenu();
    void HistoryChosen(const QString& Text);
    void TextEdited(const QString& Text);
    // The searched grid's Search (the grid found last); none without a grid.
    TZDBGridSearch* GridSearch() const;
    // A panel of its own looks for its grid again and enables its controls by it.
    void UpdateLink();

    TZCustomDBGrid* FGrid;
    QString FGridName;
    QPointer<TZCustomDBGrid> FLinkedGrid;
    int FListWidth = TZDBGridSearch::DefaultListWidth;
    bool FPermanent = false;
    TZSearchOptions FVisibleOptions = TZDBGridSearch::DefaultVisibleOptions;
    bool FOptionsGiven = false; // SearchOptions were set while no grid was found
    TCloseEvent FOnClose;
    int FPPI = 96;
    bool FUpdating = false;
    QComboBox* FSearchList = nullptr;
    std::array<QToolButton*, ButtonCount> FButtons{};
    std::array<QCheckBox*, OptionCount> FChecks{};
    QToolButton* FMore = nullptr;
    QToolButton* FClose = nullptr;
    QMenu* FMoreMenu = nullptr;
    std::array<QAction*, ButtonCount> FButtonItems{};
    std::array<QAction*, OptionCount> FOptionItems{};
    QAction* FSeparator = nullptr;
};

// What the grid's GetSearchPanelClass gives: makes the panel of a grid, a child of it.
using TZSearchPanelClass =
    std::function<TZDBGridSearchPanel*(TZCustomDBGrid* Grid, TZDBGridSearchPanel::TCloseEvent OnClose)>;

} // namespace zdb

Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TZSearchOptions)
