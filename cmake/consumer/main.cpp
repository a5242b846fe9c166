// Uses the installed headers and library: raises a database error through the
// library and catches it.
#include "DBError.h"

#include <cstdio>

int main()
{
    try {
        zdb::DatabaseError(QStringLiteral("consumer reached the library"));
    } catch (const zdb::EDatabaseError& e) {
        std::printf("%s\n", qPrintable(e.Message()));
        return e.Message() == QLatin1String("consumer reached the library") ? 0 : 1;
    }
    return 1;
}
