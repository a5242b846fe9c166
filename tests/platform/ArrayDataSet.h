#pragma once
// A minimal descendant of TDataSet over a vector of rows, used to test the base class's
// buffer ring, navigation, editing and notification independently of the shipped datasets.

#include "DB.h"

#include <cstring>

namespace zdb::test {

class TArrayDataSet : public TDataSet {
public:
    struct Row {
        int id;
        std::vector<QVariant> values;
    };

    explicit TArrayDataSet(QObject* parent = nullptr) : TDataSet(parent) {}
    ~TArrayDataSet() override { Close(); }

    void AddFieldDef(const QString& name, TFieldType type, int size = 0)
    {
        FieldDefs().Add(name, type, size);
    }
    void AddRow(std::vector<QVariant> values) { FRows.push_back({FNextId++, std::move(values)}); }
    const std::vector<Row>& Rows() const { return FRows; }
    int GetRecordCallCount = 0;
    bool FailNextPost = false;

protected:
    struct Buf : TRecBuf {
        int id = -1;
        TBookmarkFlag flag = bfCurrent;
        std::vector<QVariant> values;
    };
    static Buf* B(TRecordBuffer b) { return static_cast<Buf*>(b); }

    std::unique_ptr<TRecBuf> AllocRecordBuffer() override { return std::make_unique<Buf>(); }
    void InternalOpen() override
    {
        FOpen = true;
        FCursor = -1;
        FieldDefs().Update();
        CreateFields();
        BindFields(true);
    }
    void InternalClose() override
    {
        BindFields(false);
        DestroyFields();
        FOpen = false;
    }
    bool IsCursorOpen() const override { return FOpen; }
    void InternalInitFieldDefs() override {}

    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool) override
    {
        ++GetRecordCallCount;
        int pos = FCursor;
        for (;;) {
            if (mode == gmNext)
                ++pos;
            else if (mode == gmPrior)
                --pos;
            if (pos < 0)
                return grBOF;
            if (pos >= int(FRows.size()))
                return grEOF;
            Buf* b = B(buffer);
            b->id = FRows[size_t(pos)].id;
            b->flag = bfCurrent;
            b->values = FRows[size_t(pos)].values;
            GetCalcFields(buffer);
            if (!RecordFilterActive() || AcceptRecord(buffer)) {
                FCursor = pos;
                return grOK;
            }
            if (mode == gmCurrent)
                return grError;
        }
    }
    void InternalFirst() override { FCursor = -1; }
    void InternalLast() override { FCursor = int(FRows.size()); }
    int PosOf(int id) const
    {
        for (size_t i = 0; i < FRows.size(); ++i)
            if (FRows[i].id == id)
                return int(i);
        return -1;
    }
    void InternalSetToRecord(TRecordBuffer buffer) override { FCursor = PosOf(B(buffer)->id); }
    static int IdOf(const TBookmark& bm)
    {
        int id = -1;
        if (bm.size() == sizeof(int))
            std::memcpy(&id, bm.constData(), sizeof(int));
        return id;
    }
    void InternalGotoBookmark(const TBookmark& bm) override { FCursor = PosOf(IdOf(bm)); }
    TBookmark GetBookmarkData(TRecordBuffer buffer) const override
    {
        return TBookmark(reinterpret_cast<const char*>(&B(buffer)->id), sizeof(int));
    }
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) override { B(buffer)->id = IdOf(data); }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override { return B(buffer)->flag; }
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override { B(buffer)->flag = flag; }
    bool InternalBookmarkValid(const TBookmark& bm) const override { return PosOf(IdOf(bm)) >= 0; }
    int InternalCompareBookmarks(const TBookmark& a, const TBookmark& b) const override
    {
        const int pa = PosOf(IdOf(a)), pb = PosOf(IdOf(b));
        return pa < pb ? -1 : (pa > pb ? 1 : 0);
    }
    void InternalInitRecord(TRecordBuffer buffer) override
    {
        B(buffer)->values.assign(size_t(FieldDefs().Count()), QVariant());
    }
    bool GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const override
    {
        value = B(buffer)->values[size_t(field->FieldNo() - 1)];
        return !value.isNull();
    }
    void SetRecordFieldData(TRecordBuffer buffer, TField* field, const QVariant& value) override
    {
        B(buffer)->values[size_t(field->FieldNo() - 1)] = value;
    }
    void InternalPost() override
    {
        if (FailNextPost) {
            FailNextPost = false;
            DatabaseError(QStringLiteral("rejected by the store"), this);
        }
        Buf* b = B(ActiveBuffer());
        if (State() == dsEdit) {
            FRows[size_t(FCursor)].values = b->values;
            return;
        }
        int pos = int(FRows.size());
        if (b->flag == bfInserted)
            pos = PosOf(b->id);
        else if (b->flag == bfBOF)
            pos = 0;
        b->id = FNextId++;
        FRows.insert(FRows.begin() + pos, Row{b->id, b->values});
        FCursor = pos;
    }
    void InternalDelete() override
    {
        FRows.erase(FRows.begin() + FCursor);
        if (FCursor >= int(FRows.size()))
            FCursor = int(FRows.size()) - 1;
    }
    int GetRecordCount() const override { return int(FRows.size()); }

private:
    std::vector<Row> FRows;
    int FNextId = 1;
    int FCursor = -1;
    bool FOpen = false;
};

// A data link that records what it was told.
class TRecordingLink : public TDataLink {
public:
    QStringList Events;
    int LastScroll = 0;
protected:
    void ActiveChanged() override { Events << QStringLiteral("active:%1").arg(Active()); }
    void DataSetChanged() override { Events << QStringLiteral("changed"); }
    void DataSetScrolled(int distance) override
    {
        LastScroll = distance;
        Events << QStringLiteral("scrolled:%1").arg(distance);
    }
    void RecordChanged(TField* field) override
    {
        Events << QStringLiteral("record:%1").arg(field ? field->GetFieldName() : QString());
    }
    void EditingChanged() override { Events << QStringLiteral("editing:%1").arg(Editing()); }
    void LayoutChanged() override { Events << QStringLiteral("layout"); }
    void FocusControl(TField* field) override { Events << QStringLiteral("focus:%1").arg(field->GetFieldName()); }
};

} // namespace zdb::test
