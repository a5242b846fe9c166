// zdb_bench_report <rows folder> <results.md> <chart folder> [analysis.md]
#include "BenchUtil.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <rows folder> <results.md> <chart folder> [analysis.md]\n", argv[0]);
        return 2;
    }
    return zdb::bench::WriteReport(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]),
                                   QString::fromLocal8Bit(argv[3]), argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString());
}
