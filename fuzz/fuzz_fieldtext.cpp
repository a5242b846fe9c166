// Text typed into fields and display formats: the first byte picks a field of
// a table with a field of every simple type, the second whether the text's
// first line becomes the field's display format. Properties: a text the field
// refuses raises EDatabaseError and leaves the stored value; a text it takes is
// stored as ConvertText said, and its edit text converts back to the same value.
// Stored pictures: their kind is detected and decoded without failing, and a
// picture that decodes saves as the bytes it came from.

#include "FuzzUtil.h"

#include "DBError.h"
#include "SysUtils.h"
#include "ZDBFields.h"
#include "ZDBMemData.h"

#include <cmath>

using namespace zdb;

namespace {

TZMemDataSet& Table()
{
    static const std::unique_ptr<TZMemDataSet> table = [] {
        auto t = std::make_unique<TZMemDataSet>();
        const std::pair<const char*, TFieldType> defs[] = {
            {"S", ftString},    {"W", ftWideString}, {"I", ftInteger},   {"L", ftLargeint}, {"F", ftFloat},
            {"C", ftCurrency},  {"B", ftBoolean},    {"D", ftDate},      {"T", ftTime},     {"DT", ftDateTime},
            {"SI", ftSmallint}, {"WO", ftWord},      {"M", ftMemo},
        };
        for (const auto& [name, type] : defs)
            t->FieldDefs().Add(QString::fromLatin1(name), type, type == ftString || type == ftWideString ? 8 : 0);
        t->CreateDataSet();
        t->Append();
        t->Post();
        return t;
    }();
    return *table;
}

bool SameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.typeId() == QMetaType::Double && b.typeId() == QMetaType::Double) {
        const double x = a.toDouble(), y = b.toDouble();
        return x == y || std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y));
    }
    return a == b;
}

void Picture(const QByteArray& bytes)
{
    const TZGraphicKind kind = GraphicKindOfData(bytes);
    const QByteArray body = bytes.mid(GraphicDataOffset(bytes));
    TZGraphic graphic;
    if (graphic.LoadFromData(body, kind) && !graphic.IsEmpty())
        fuzz::Check(graphic.SaveToData() == body, "a decoded picture saves as its bytes");
    ReadGraphicImage(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > 4096)
        return 0;
    TZMemDataSet& table = Table();
    if (data[0] == 0xFF) {
        Picture(fuzz::Bytes(data + 1, size - 1));
        return 0;
    }
    TField* field = table.Fields()[data[0] % table.Fields().Count()];
    QString text = fuzz::Text(data + 2, size - 2);
    QString format;
    if (data[1] & 1) {
        const qsizetype end = text.indexOf(u'\n');
        format = end < 0 ? text : text.left(end);
        text = end < 0 ? QString() : text.mid(end + 1);
    }
    if (auto* numeric = qobject_cast<TNumericField*>(field))
        numeric->SetDisplayFormat(format);
    else if (auto* dateTime = qobject_cast<TDateTimeField*>(field))
        dateTime->SetDisplayFormat(format);

    table.Edit();
    field->Clear();
    field->DisplayText();
    std::optional<QVariant> converted;
    try {
        converted = field->ConvertText(text);
    } catch (const EDatabaseError&) {
    }
    try {
        field->SetEditText(text);
    } catch (const EDatabaseError&) {
        fuzz::Check(!converted, "SetEditText refuses only what ConvertText refuses", text);
        fuzz::Check(field->IsNull(), "a refused text leaves the stored value", text);
        table.Cancel();
        return 0;
    }
    if (!field->OnSetText && converted)
        fuzz::Check(SameValue(field->GetValue(), *converted), "a text is stored as ConvertText said", text);
    const QVariant stored = field->GetValue();
    const QString editText = field->GetEditText();
    field->DisplayText();
    try {
        fuzz::Check(SameValue(field->ConvertText(editText), stored), "the edit text converts back to the value",
                    text + "\n" + editText);
    } catch (const EDatabaseError& e) {
        fuzz::Fail("the edit text converts back", text + "\n" + editText + "\n" + e.Message());
    }
    table.Cancel();

    try {
        Format(text, {1, 2.5, QStringLiteral("x")});
    } catch (const EDatabaseError&) {
    }
    return 0;
}
