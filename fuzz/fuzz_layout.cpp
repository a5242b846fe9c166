// The grid's saved layout: "Name=Value" lines with the columns' settings text,
// the order fields, the switches and the auto-filter's entries. Applying lines
// either raises EDatabaseError and leaves the layout as it was, or gives a
// layout that, applied again, stays the same.

#include "FuzzUtil.h"

#include "DBError.h"

using namespace zdb;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 8192)
        return 0;
    fuzz::TTableGrid sample;
    TZDBGrid& grid = sample.Grid;
    TZDBGridSettings* settings = grid.Settings();
    settings->SetOptions(TZSettingsOptions::fromInt(0x0FFF) & ~TZSettingsOptions(soLoadLayout | soSaveLayout));
    grid.SetOrderFields(QStringLiteral("Id"));
    const QStringList before = settings->GetLayout();

    const QString input = fuzz::Text(data, size);
    const QStringList lines = input.split(u'\n');
    try {
        settings->SetLayout(lines);
    } catch (const EDatabaseError&) {
        fuzz::Check(settings->GetLayout() == before, "refused layout lines leave the layout as it was", input);
        return 0;
    }
    const QStringList once = settings->GetLayout();
    try {
        settings->SetLayout(once);
    } catch (const EDatabaseError& e) {
        fuzz::Fail("a saved layout applies", input + "\n---\n" + once.join(u'\n') + "\n" + e.Message());
    }
    fuzz::Check(settings->GetLayout() == once, "a saved layout applies to itself",
                input + "\n---\n" + once.join(u'\n') + "\n---\n" + settings->GetLayout().join(u'\n'));
    return 0;
}
