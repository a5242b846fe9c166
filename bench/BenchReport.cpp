// results.md and the charts from the rows the benchmark programs wrote.
#include "BenchUtil.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTextStream>
#include <QThread>

#include <cmath>
#include <cstdio>
#include <map>

#ifndef ZDB_BENCH_COMPILER
#define ZDB_BENCH_COMPILER "unknown"
#endif

namespace zdb::bench {

namespace {

struct TRow {
    QString Program, Operation, Data, Baseline, Note;
    int N = 0;
    double Ms = 0, BaseMs = 0, MaxRatio = 0;
    double Ratio() const { return BaseMs > 0 ? Ms / BaseMs : 0; }
};

struct TCheck {
    QString Program, What, Detail;
    bool Met = false;
};

QString CpuModel()
{
    QFile file(QStringLiteral("/proc/cpuinfo"));
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
            if (line.startsWith(QLatin1String("model name")))
                return line.section(QLatin1Char(':'), 1).trimmed();
    return QStringLiteral("unknown CPU");
}

QString Slug(const QString& Text)
{
    return Text.toLower().replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-")).remove(
        QRegularExpression(QStringLiteral("^-|-$")));
}

QString Ms(double Value)
{
    return QString::number(Value, 'f', Value < 10 ? 2 : 1);
}

// Cost against N on log-log axes, one line per series.
void DrawChart(const QString& Path, const QString& Title, const std::map<QString, std::map<int, double>>& Series)
{
    const int w = 1040, h = 560, left = 96, right = 320, top = 50, bottom = 60;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    double minN = 1e18, maxN = 0, minMs = 1e18, maxMs = 0;
    for (const auto& [name, points] : Series)
        for (const auto& [n, ms] : points) {
            minN = std::min(minN, double(n));
            maxN = std::max(maxN, double(n));
            if (ms > 0) {
                minMs = std::min(minMs, ms);
                maxMs = std::max(maxMs, ms);
            }
        }
    if (maxN <= 0 || maxMs <= 0)
        return;
    const double x0 = std::floor(std::log10(minN)), x1 = std::max(x0 + 1, std::ceil(std::log10(maxN)));
    const double y0 = std::floor(std::log10(minMs)), y1 = std::max(y0 + 1, std::ceil(std::log10(maxMs)));
    const QRect plot(left, top, w - left - right, h - top - bottom);
    auto px = [&](double n) { return plot.left() + (std::log10(n) - x0) / (x1 - x0) * plot.width(); };
    auto py = [&](double ms) { return plot.bottom() - (std::log10(ms) - y0) / (y1 - y0) * plot.height(); };

    QFont font = p.font();
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(0, 8, w, 30), Qt::AlignHCenter, Title + QStringLiteral(" (median ms against records, log-log)"));
    p.setPen(QColor(220, 220, 220));
    for (double e = y0; e <= y1; ++e)
        p.drawLine(QPointF(plot.left(), py(std::pow(10, e))), QPointF(plot.right(), py(std::pow(10, e))));
    for (double e = x0; e <= x1; ++e)
        p.drawLine(QPointF(px(std::pow(10, e)), plot.top()), QPointF(px(std::pow(10, e)), plot.bottom()));
    p.setPen(Qt::black);
    p.drawRect(plot);
    for (double e = y0; e <= y1; ++e)
        p.drawText(QRectF(0, py(std::pow(10, e)) - 10, left - 8, 20), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(std::pow(10, e), 'g', 6) + QStringLiteral(" ms"));
    for (double e = x0; e <= x1; ++e)
        p.drawText(QRectF(px(std::pow(10, e)) - 60, plot.bottom() + 6, 120, 20), Qt::AlignHCenter,
                   QLocale(QLocale::English).toString(qlonglong(std::llround(std::pow(10, e)))));
    p.drawText(QRect(plot.left(), h - 28, plot.width(), 20), Qt::AlignHCenter, QStringLiteral("records (N)"));

    static const QColor colors[] = {QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),
                                    QColor(214, 39, 40),  QColor(148, 103, 189), QColor(140, 86, 75),
                                    QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34),
                                    QColor(23, 190, 207)};
    int index = 0;
    for (const auto& [name, points] : Series) {
        const QColor color = colors[index % 10];
        const bool ours = name.startsWith(QLatin1String("ours"));
        p.setPen(QPen(color, ours ? 3 : 2, ours ? Qt::SolidLine : Qt::DashLine));
        QPolygonF line;
        for (const auto& [n, ms] : points)
            if (ms > 0)
                line << QPointF(px(n), py(ms));
        p.drawPolyline(line);
        p.setBrush(color);
        for (const QPointF& point : line)
            p.drawEllipse(point, 4, 4);
        p.setBrush(Qt::NoBrush);
        const int ly = top + 10 + index * 22;
        p.drawLine(plot.right() + 12, ly, plot.right() + 40, ly);
        p.setPen(Qt::black);
        p.drawText(QRect(plot.right() + 46, ly - 10, right - 50, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(name, Qt::ElideRight, right - 50));
        ++index;
    }
    p.end();
    image.save(Path);
}

} // namespace

int WriteReport(const QString& InDir, const QString& MdPath, const QString& ChartDir, const QString& AnalysisPath)
{
    std::vector<TRow> rows;
    std::vector<TCheck> checks;
    QDateTime measured; // when the last program finished
    const QStringList files = QDir(InDir).entryList({QStringLiteral("*.tsv")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile file(QDir(InDir).filePath(name));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        measured = std::max(measured, QFileInfo(file).lastModified().toUTC());
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.value(0) == QLatin1String("row") && f.size() >= 10)
                rows.push_back({f[1], f[2], f[3], f[6], f[9], f[4].toInt(), f[5].toDouble(), f[7].toDouble(),
                                f[8].toDouble()});
            else if (f.value(0) == QLatin1String("check") && f.size() >= 5)
                checks.push_back({f[1], f[2], f[4], f[3] == QLatin1String("1")});
        }
    }
    if (rows.empty()) {
        std::fprintf(stderr, "no benchmark rows in %s\n", qPrintable(InDir));
        return 1;
    }

    QDir().mkpath(ChartDir);
    QFile md(MdPath);
    if (!md.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(MdPath));
        return 1;
    }
    QTextStream out(&md);
    const QString repeats = qEnvironmentVariable("ZDB_BENCH_REPEATS", QStringLiteral("5"));
    out << "# Benchmark results\n\n"
        << "Written by `make bench` (Release build); do not edit by hand, the analysis at the end comes from "
           "bench/analysis.md.\n\n"
        << "| | |\n|---|---|\n"
        << "| Machine | " << CpuModel() << ", " << QThread::idealThreadCount() << " cores, "
        << QSysInfo::prettyProductName() << " |\n"
        << "| Compiler | " << ZDB_BENCH_COMPILER << " |\n"
        << "| Qt | " << qVersion() << " (offscreen platform) |\n"
        << "| Date | " << measured.toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'")) << " |\n"
        << "| Runs | each figure is the median of " << std::max(5, repeats.toInt())
        << " runs, ours and its baselines alternating in the same process |\n\n"
        << "Ratio = our time / the baseline's time; below 1 we are faster. Times in milliseconds.\n\n";

    out << "## Goals\n\n| Operation | Data | N | Against | Ratio | Goal | |\n|---|---|---:|---|---:|---:|---|\n";
    int missed = 0;
    for (const TRow& r : rows)
        if (r.MaxRatio > 0) {
            const bool measured = r.Ms > 0, met = measured && r.Ratio() <= r.MaxRatio;
            missed += !met;
            out << "| " << r.Operation << " | " << r.Data << " | " << r.N << " | " << r.Baseline << " | "
                << (measured ? QString::number(r.Ratio(), 'f', 2) : QStringLiteral("—")) << " | ≤ " << r.MaxRatio
                << " | " << (met ? "met" : measured ? "**missed**" : "**missed** (not measured)") << " |\n";
        }
    for (const TCheck& c : checks) {
        missed += !c.Met;
        out << "| " << c.What << " | | | " << c.Detail << " | | | " << (c.Met ? "met" : "**missed**") << " |\n";
    }
    out << "\n" << missed << " goal figure(s) missed.\n\n## All figures\n\n";

    QString program;
    for (const TRow& r : rows) {
        if (r.Program != program) {
            program = r.Program;
            out << "\n### " << program << "\n\n| Operation | Data | N | Ours | Baseline | Baseline ms | Ratio | Note |\n"
                << "|---|---|---:|---:|---|---:|---:|---|\n";
        }
        const bool measured = r.Ms > 0;
        out << "| " << r.Operation << " | " << r.Data << " | " << r.N << " | "
            << (measured ? Ms(r.Ms) : QStringLiteral("—")) << " | " << r.Baseline << " | " << Ms(r.BaseMs) << " | "
            << (measured ? QString::number(r.Ratio(), 'f', 2) : QStringLiteral("—")) << " | " << r.Note << " |\n";
    }

    // One chart per operation: our time and every baseline's, per data set, against N.
    std::map<QString, std::map<QString, std::map<int, double>>> charts;
    std::vector<QString> order;
    for (const TRow& r : rows) {
        if (!charts.count(r.Operation))
            order.push_back(r.Operation);
        auto& series = charts[r.Operation];
        series[QStringLiteral("ours (%1)").arg(r.Data)][r.N] = r.Ms;
        series[QStringLiteral("%1 (%2)").arg(r.Baseline, r.Data)][r.N] = r.BaseMs;
    }
    out << "\n## Charts\n\n";
    const QString relative = QFileInfo(MdPath).absoluteDir().relativeFilePath(ChartDir);
    for (const QString& operation : order) {
        const QString file = Slug(operation) + QStringLiteral(".png");
        DrawChart(QDir(ChartDir).filePath(file), operation, charts[operation]);
        out << "![" << operation << "](" << relative << "/" << file << ")\n\n";
    }

    QFile analysis(AnalysisPath);
    if (analysis.open(QIODevice::ReadOnly | QIODevice::Text))
        out << "\n" << QString::fromUtf8(analysis.readAll());
    std::printf("wrote %s and %zu charts in %s\n", qPrintable(MdPath), order.size(), qPrintable(ChartDir));
    return 0;
}

} // namespace zdb::bench
