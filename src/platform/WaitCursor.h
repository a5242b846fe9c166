#pragma once
// The wait cursor over the application while the GUI thread waits for a server
// (opening or refreshing a query): a window that cannot answer for a while says
// so. Guards nest; the outermost one sets the cursor and takes it back on every
// path, exceptions included.

namespace zdb {

class TWaitCursorGuard
{
public:
    TWaitCursorGuard();
    ~TWaitCursorGuard();
    TWaitCursorGuard(const TWaitCursorGuard&) = delete;
    TWaitCursorGuard& operator=(const TWaitCursorGuard&) = delete;

    // How many guards are alive; readable from any thread (a watchdog or progress
    // thread of the application).
    static int Depth();

private:
    bool FCursorSet = false;
};

} // namespace zdb
