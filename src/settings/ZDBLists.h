#pragma once
// The columns dialog: a modal form in which the user ticks which columns of a
// grid are visible (or, in the print variant, printed) and may reorder them.
//
// TZDBColumnsDialog is the object an application keeps and runs (Execute);
// TZDBPrintColumnsDialog is the same preset for the printed columns;
// TZDBColumnsForm is the form shown for one run; TCheckListBox is its list,
// whose Shift-click that changes a tick gives that tick to every enabled item
// between the previously focused one and the clicked one.
//
// The form is laid out by Qt layouts in the proportions of its design (331 ×
// 247 at a 13-pixel line) and grows with the font: the list shows a number of
// rows, the buttons keep their proportions to the text.

#include "Grids.h"
#include "ZDBGridTypes.h"

#include <QDialog>
#include <QListWidget>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QWidget;

namespace zdb {

class TZColumn;
class TZCustomDBGrid;

inline namespace ColumnsDialogTypes {
Q_NAMESPACE

enum TZDBColumnsOption {
    coAllowMoving,     // items can be reordered; the order is written back
    coAutoUpdate,      // every change applies at once; closing counts as OK
    coCancelButton,
    coApplyButton,
    coHelpButton,
    coMarkPrintedCols, // ticks stand for the column report's Visible
    coMarkVisibleCols, // ticks stand for the column's Visible
    coShowEmptyCols,   // list columns without a field
    coShowFixedCols,   // list the frozen columns too
    coShowHeaders,     // captions after their header text
    coShowSorted       // offer the alphabetical view
};
Q_ENUM_NS(TZDBColumnsOption)

} // namespace ColumnsDialogTypes

using TZDBColumnsOptions = TEnumSet<TZDBColumnsOption>;

// Texts of the item captions: the indent per nesting level, what stands for
// the "|" between header levels, and for a line break inside a caption.
extern QString IndentChars; // "»   "
extern QString HeaderBreak; // " » "
extern QString LineBreak;   // the no-break space

// A list of check boxes. A left click with Shift held that changes an item's
// tick gives the same tick to every enabled item between the previously
// focused item and the clicked one. Items may be dragged onto others when
// OnDragOver allows it; the drop is left to OnDragDrop.
class TCheckListBox : public QListWidget
{
    Q_OBJECT
public:
    explicit TCheckListBox(QWidget* Parent = nullptr);

    // A checkable item at the end.
    QListWidgetItem* AddItem(const QString& Text, bool Checked, bool Enabled);
    bool Checked(int Index) const;
    void SetChecked(int Index, bool Value);
    bool ItemEnabled(int Index) const;
    // Where the tick of item Index is drawn (viewport coordinates).
    QRect CheckRect(int Index) const;
    // The height of Rows rows with the frame.
    int RowsHeight(int Rows) const;

    // Whether the item at From may be dropped on the item at To.
    std::function<bool(int From, int To)> OnDragOver;
    std::function<void(int From, int To)> OnDragDrop;
    // A key on the list; true when the handler used it.
    std::function<bool(QKeyEvent* Event)> OnKeyDown;

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    // The item row a drag is over; -1 for none.
    int DropRow(const QPoint& Pos) const;

    int FPressAnchor = -1;
    int FPressRow = -1;
    Qt::CheckState FPressState = Qt::Unchecked;
    bool FPressShift = false;
};

// The form of one run of the dialog.
class TZDBColumnsForm : public QDialog
{
    Q_OBJECT
public:
    explicit TZDBColumnsForm(QWidget* Parent = nullptr);
    ~TZDBColumnsForm() override;

    TZCustomDBGrid* Grid() const { return FGrid; }
    void SetGrid(TZCustomDBGrid* Value) { FGrid = Value; }
    TZDBColumnsOptions Options() const { return FOptions; }
    void SetOptions(TZDBColumnsOptions Value) { FOptions = Value; }
    void SetCounts(int DefaultCount, int MinimumCount);
    void SetWidths(int DefaultWidth, int MinimumWidth);
    int GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }

    // Fills the list from the grid's columns.
    virtual void LoadSettings();
    // Writes ticks (and with coAllowMoving the order) back to the columns.
    virtual void SaveSettings();
    // Sets the form up for its options, fills it, shows it modally and
    // applies the result when it ends with OK (unless coAutoUpdate applied
    // each change). Returns the dialog result.
    virtual int Execute();

    // SaveSettings, then the apply handler.
    void ApplySettings();
    // ApplySettings with coAutoUpdate.
    void UpdateSettings();
    // Selects item Index (or takes the selection away).
    void SelectItem(int Index, bool Selected);
    // Moves item From with the items of its sub-columns as one block before
    // item To (To above) or after To's block (To below); the item's new index.
    int MoveItem(int From, int To);
    // Whether item From may take the place of item To: both columns after the
    // frozen ones, with the same parent column.
    bool CanMoveItem(int From, int To) const;
    // The column of item Index.
    TZColumn* ItemColumn(int Index) const;

    // The form's parts.
    TCheckListBox* ColumnsList() const { return FColumnsList; }
    QGroupBox* ColumnsGroupBox() const { return FColumnsGroupBox; }
    QCheckBox* SortedCheckBox() const { return FSortedCheckBox; }
    QWidget* CustomPanel() const { return FCustomPanel; }
    QPushButton* OKButton() const { return FOKButton; }
    QPushButton* CancelButton() const { return FCancelButton; }
    QPushButton* ApplyButton() const { return FApplyButton; }
    QPushButton* HelpButton() const { return FHelpButton; }

    // Run after ApplySettings, when the form shows and when it closes.
    std::function<void()> OnApply;
    std::function<void()> OnShow;
    std::function<void()> OnClose;
    // The Help button with a non-zero help context.
    std::function<void(int HelpContext)> OnHelp;

    void done(int Result) override;
    void reject() override;

protected:
    void showEvent(QShowEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    // Limits of the size: the buttons' room or MinimumWidth across, between
    // MinimumCount rows and all items (at least MinimumCount) down.
    void FormConstrainedResize();
    void SettingsChanged();
    void SortedChanged();
    bool ColumnsListKeyDown(QKeyEvent* Event);
    void ColumnsListDragDrop(int From, int To);

private:
    // The number of items after Index that belong to its column's sub-columns.
    int BlockSize(int Index) const;
    // The item text of Column.
    QString ItemCaption(const TZColumn* Column) const;
    // Margins, panel heights and button sizes for the form's font.
    void ScaleToFont();
    // Pixels of a design size at the form's font.
    int Scaled(int Pixels) const;

    QPointer<TZCustomDBGrid> FGrid;
    TZDBColumnsOptions FOptions;
    int FDefaultCount = 20;
    int FMinimumCount = 4;
    int FDefaultWidth = 0;
    int FMinimumWidth = 0;
    int FHelpContext = 0;
    bool FLoading = false;
    double FScale = 1.0;

    QGroupBox* FColumnsGroupBox = nullptr;
    TCheckListBox* FColumnsList = nullptr;
    QCheckBox* FSortedCheckBox = nullptr;
    QWidget* FCustomPanel = nullptr;
    QWidget* FButtonsPanel = nullptr;
    QPushButton* FOKButton = nullptr;
    QPushButton* FCancelButton = nullptr;
    QPushButton* FApplyButton = nullptr;
    QPushButton* FHelpButton = nullptr;
};

// The dialog an application keeps: its texts, options and sizes, run by Execute.
class TZDBColumnsDialog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(zdb::GridBase::TBorderStyle BorderStyle READ GetBorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(QString ButtonsTitles READ GetButtonsTitles WRITE SetButtonsTitles)
    Q_PROPERTY(QString ColumnsTitle READ GetColumnsTitle WRITE SetColumnsTitle)
    Q_PROPERTY(int DefaultCount READ GetDefaultCount WRITE SetDefaultCount)
    Q_PROPERTY(int DefaultWidth READ GetDefaultWidth WRITE SetDefaultWidth)
    Q_PROPERTY(int HelpContext READ GetHelpContext WRITE SetHelpContext)
    Q_PROPERTY(int MinimumCount READ GetMinimumCount WRITE SetMinimumCount)
    Q_PROPERTY(int MinimumWidth READ GetMinimumWidth WRITE SetMinimumWidth)
    Q_PROPERTY(QStringList Options READ GetOptionNames WRITE SetOptionNames)
    Q_PROPERTY(QString SortedTitle READ GetSortedTitle WRITE SetSortedTitle)
    Q_PROPERTY(QString Title READ GetTitle WRITE SetTitle)

public:
    static constexpr TZDBColumnsOptions DefaultOptions{coCancelButton, coHelpButton, coMarkVisibleCols,
                                                       coShowEmptyCols};

    explicit TZDBColumnsDialog(QObject* Owner = nullptr);
    ~TZDBColumnsDialog() override;

    TZCustomDBGrid* GetDBGrid() const { return FDBGrid; }
    void SetDBGrid(TZCustomDBGrid* Value) { FDBGrid = Value; }
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value) { FBorderStyle = Value; }
    // Texts assigned empty return to their defaults.
    QString GetButtonsTitles() const;
    void SetButtonsTitles(const QString& Value);
    QString GetColumnsTitle() const;
    void SetColumnsTitle(const QString& Value);
    QString GetSortedTitle() const;
    void SetSortedTitle(const QString& Value);
    QString GetTitle() const;
    void SetTitle(const QString& Value);
    int GetDefaultCount() const { return FDefaultCount; }
    void SetDefaultCount(int Value);
    int GetDefaultWidth() const { return FDefaultWidth; }
    void SetDefaultWidth(int Value);
    int GetMinimumCount() const { return FMinimumCount; }
    void SetMinimumCount(int Value);
    int GetMinimumWidth() const { return FMinimumWidth; }
    void SetMinimumWidth(int Value);
    int GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }
    // With coAutoUpdate the Cancel and Apply buttons go; with coAllowMoving
    // the sorted view goes and the empty columns come.
    TZDBColumnsOptions GetOptions() const { return FOptions; }
    void SetOptions(TZDBColumnsOptions Value);
    QStringList GetOptionNames() const { return EnumSetNames(FOptions); }
    void SetOptionNames(const QStringList& Value);

    // Runs the form for the grid; true when it ended with OK.
    virtual bool Execute();

    std::function<void(TZDBColumnsDialog* Sender)> OnApply;
    std::function<void(TZDBColumnsDialog* Sender)> OnClose;
    std::function<void(TZDBColumnsDialog* Sender, TZDBColumnsForm* Form)> OnCreate;
    std::function<void(TZDBColumnsDialog* Sender)> OnShow;
    std::function<void(TZDBColumnsDialog* Sender, int HelpContext)> OnHelp;

protected:
    virtual std::unique_ptr<TZDBColumnsForm> CreateForm();
    virtual QString DefaultButtonsTitles() const;
    virtual QString DefaultColumnsTitle() const;
    virtual QString DefaultSortedTitle() const;
    virtual QString DefaultTitle() const;
    // The form's look taken from the grid (a hook for descendants).
    virtual void AdjustColumnsForm(TZDBColumnsForm* Form);
    virtual void DoApply();
    virtual void DoClose();
    virtual void DoCreate(TZDBColumnsForm* Form);
    virtual void DoShow();

    TZDBColumnsOptions FOptions = DefaultOptions;

private:
    QPointer<TZCustomDBGrid> FDBGrid;
    TBorderStyle FBorderStyle = bsSingle;
    QString FButtonsTitles;
    QString FColumnsTitle;
    QString FSortedTitle;
    QString FTitle;
    int FDefaultCount = 20;
    int FDefaultWidth = 0;
    int FMinimumCount = 4;
    int FMinimumWidth = 0;
    int FHelpContext = 0;
};

// The dialog preset for choosing the printed columns.
class TZDBPrintColumnsDialog : public TZDBColumnsDialog
{
    Q_OBJECT
public:
    static constexpr TZDBColumnsOptions DefaultPrintOptions{coCancelButton, coHelpButton, coMarkPrintedCols,
                                                            coMarkVisibleCols, coShowFixedCols};
    explicit TZDBPrintColumnsDialog(QObject* Owner = nullptr);

protected:
    QString DefaultColumnsTitle() const override;
    QString DefaultTitle() const override;
};

} // namespace zdb
