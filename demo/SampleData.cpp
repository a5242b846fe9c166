#include "SampleData.h"

#include "DBError.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPolygonF>
#include <QPainter>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <array>
#include <vector>

namespace zdb::demo {

namespace {

// Raised when the layout of the generated data changes: an older file is rebuilt.
constexpr int SchemaVersion = 6;
constexpr quint32 Seed = 20240517;

constexpr std::array FirstNames = {
    "Anna", "Ben", "Clara", "David", "Elena", "Felix", "Greta", "Hugo", "Ines", "Jonas",
    "Karin", "Lars", "Maria", "Niklas", "Olivia", "Paul", "Rosa", "Simon", "Tanja", "Viktor",
    "Wiebke", "Yusuf", "Zoe", "Adrian", "Bianca", "Carlos", "Dana", "Emil", "Fiona", "Gregor"};
constexpr std::array LastNames = {
    "Becker", "Hoffmann", "Novak", "Jensen", "Rossi", "Dubois", "Kowalski", "Lindqvist",
    "Meyer", "Santos", "Schneider", "Varga", "Wagner", "Ziegler", "Horvat", "Keller",
    "Moreau", "Nilsen", "Peters", "Silva"};
struct TCity { const char* Name; const char* Country; };
constexpr std::array Cities = {
    TCity{"Berlin", "Germany"}, TCity{"Hamburg", "Germany"}, TCity{"Munich", "Germany"},
    TCity{"Vienna", "Austria"}, TCity{"Zurich", "Switzerland"}, TCity{"Paris", "France"},
    TCity{"Lyon", "France"}, TCity{"Milan", "Italy"}, TCity{"Rome", "Italy"},
    TCity{"Madrid", "Spain"}, TCity{"Lisbon", "Portugal"}, TCity{"Amsterdam", "Netherlands"},
    TCity{"Copenhagen", "Denmark"}, TCity{"Stockholm", "Sweden"}, TCity{"Oslo", "Norway"},
    TCity{"Warsaw", "Poland"}, TCity{"Prague", "Czechia"}, TCity{"Budapest", "Hungary"},
    TCity{"Zagreb", "Croatia"}, TCity{"Dublin", "Ireland"}};
struct TProduct { const char* Name; const char* Category; int PriceCents; };
constexpr std::array Products = {
    TProduct{"Office chair", "Furniture", 18900}, TProduct{"Standing desk", "Furniture", 54900},
    TProduct{"Bookshelf", "Furniture", 12950}, TProduct{"Filing cabinet", "Furniture", 23900},
    TProduct{"Desk lamp", "Lighting", 3990}, TProduct{"Floor lamp", "Lighting", 8900},
    TProduct{"LED panel", "Lighting", 14500}, TProduct{"Notebook A5", "Stationery", 450},
    TProduct{"Ballpoint pens (10)", "Stationery", 690}, TProduct{"Printer paper (500)", "Stationery", 599},
    TProduct{"Stapler", "Stationery", 1290}, TProduct{"Whiteboard", "Stationery", 7900},
    TProduct{"Monitor 27\"", "Hardware", 27900}, TProduct{"Keyboard", "Hardware", 4990},
    TProduct{"Mouse", "Hardware", 2490}, TProduct{"Docking station", "Hardware", 16900},
    TProduct{"Headset", "Hardware", 7990}, TProduct{"Webcam", "Hardware", 6490},
    TProduct{"Coffee beans 1 kg", "Kitchen", 1890}, TProduct{"Tea selection", "Kitchen", 1290},
    TProduct{"Water filter", "Kitchen", 3490}, TProduct{"Espresso machine", "Kitchen", 42900}};
constexpr std::array States = {"New", "Paid", "Shipped", "Delivered", "Cancelled"};

class TBuilder
{
public:
    explicit TBuilder(QSqlDatabase db) : FDb(std::move(db)) {}

    void Exec(const QString& sql)
    {
        QSqlQuery query(FDb);
        if (!query.exec(sql))
            DatabaseError(QStringLiteral("Cannot create the sample data: %1 (%2)").arg(query.lastError().text(), sql));
    }

    QSqlQuery Prepare(const QString& sql)
    {
        QSqlQuery query(FDb);
        if (!query.prepare(sql))
            DatabaseError(QStringLiteral("Cannot create the sample data: %1 (%2)").arg(query.lastError().text(), sql));
        return query;
    }

    static void Run(QSqlQuery& query)
    {
        if (!query.exec())
            DatabaseError(QStringLiteral("Cannot create the sample data: %1").arg(query.lastError().text()));
    }

private:
    QSqlDatabase FDb;
};

void CreateTables(TBuilder& b)
{
    b.Exec(QStringLiteral("CREATE TABLE customers ("
                          " id INTEGER PRIMARY KEY,"
                          " name VARCHAR(60) NOT NULL,"
                          " city VARCHAR(40) NOT NULL,"
                          " country VARCHAR(40) NOT NULL,"
                          " customer_since DATE NOT NULL,"
                          " credit_limit NUMERIC(12,2) NOT NULL,"
                          " active BOOLEAN NOT NULL)"));
    b.Exec(QStringLiteral("CREATE TABLE products ("
                          " id INTEGER PRIMARY KEY,"
                          " name VARCHAR(60) NOT NULL,"
                          " category VARCHAR(30) NOT NULL,"
                          " unit_price NUMERIC(12,2) NOT NULL,"
                          " picture BLOB,"
                          " photo BLOB)"));
    b.Exec(QStringLiteral("CREATE TABLE order_states ("
                          " id INTEGER PRIMARY KEY,"
                          " name VARCHAR(20) NOT NULL)"));
    b.Exec(QStringLiteral("CREATE TABLE orders ("
                          " id INTEGER PRIMARY KEY,"
                          " order_no VARCHAR(12) NOT NULL UNIQUE,"
                          " order_date DATE NOT NULL,"
                          " customer_id INTEGER NOT NULL REFERENCES customers(id),"
                          " product_id INTEGER NOT NULL REFERENCES products(id),"
                          " quantity INTEGER NOT NULL,"
                          " discount_pct INTEGER NOT NULL,"
                          " amount NUMERIC(12,2) NOT NULL,"
                          " state_id INTEGER NOT NULL REFERENCES order_states(id),"
                          " paid CHAR(1) NOT NULL DEFAULT 'N',"
                          " shipping CHAR(1) NOT NULL DEFAULT 'S',"
                          " note VARCHAR(200))"));
    b.Exec(QStringLiteral("CREATE TABLE order_lines ("
                          " id INTEGER PRIMARY KEY,"
                          " order_id INTEGER NOT NULL REFERENCES orders(id),"
                          " line_no INTEGER NOT NULL,"
                          " product_id INTEGER NOT NULL REFERENCES products(id),"
                          " quantity INTEGER NOT NULL,"
                          " unit_price NUMERIC(12,2) NOT NULL,"
                          " discount_pct INTEGER NOT NULL)"));
    b.Exec(QStringLiteral("CREATE INDEX order_lines_order ON order_lines(order_id, line_no)"));
    b.Exec(QStringLiteral("CREATE INDEX orders_customer ON orders(customer_id)"));
    b.Exec(QStringLiteral("CREATE INDEX orders_date ON orders(order_date)"));
    b.Exec(QStringLiteral("CREATE TABLE categories ("
                          " id INTEGER PRIMARY KEY,"
                          " parent_id INTEGER REFERENCES categories(id),"
                          " name VARCHAR(60) NOT NULL)"));
}

// Categories in eight levels below 12 roots, each below a recent one, so that
// the branches run deep (up its line at the eighth level).
void FillCategories(TBuilder& b)
{
    QSqlQuery category = b.Prepare(QStringLiteral("INSERT INTO categories VALUES (?, ?, ?)"));
    std::vector<int> level, parents;
    for (int id = 1; id <= SampleCategoryCount; ++id) {
        int parent = 0;
        if (id > 12) {
            parent = id - 1 - int((quint32(id) * 2654435761u) % quint32(std::min(id - 1, 60)));
            while (level[size_t(parent - 1)] >= 7)
                parent = parents[size_t(parent - 1)];
        }
        parents.push_back(parent);
        level.push_back(parent ? level[size_t(parent - 1)] + 1 : 0);
        category.bindValue(0, id);
        category.bindValue(1, parent ? QVariant(parent) : QVariant(QMetaType(QMetaType::Int)));
        category.bindValue(2, QStringLiteral("Category %1 (level %2)").arg(id).arg(level.back() + 1));
        TBuilder::Run(category);
    }
}

// The hue of a category's pictures.
int CategoryHue(const char* category)
{
    int hue = 0;
    for (const char* c = category; *c; ++c)
        hue = (hue * 31 + *c) % 360;
    return hue;
}

// A product's small picture, as PNG bytes: its initial on a disc in its category's colour.
QByteArray ProductPicture(const TProduct& product)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv(CategoryHue(product.Category), 150, 210));
    painter.drawEllipse(QRectF(1, 1, 30, 30));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(18);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QString(QLatin1Char(product.Name[0])));
    painter.end();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

// A product's larger picture, as PNG bytes: a sketch of its category on a
// gradient in the category's colour, with the product's name below it.
QByteArray ProductPhoto(const TProduct& product)
{
    constexpr int W = 240, H = 180;
    QImage image(W, H, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor base = QColor::fromHsv(CategoryHue(product.Category), 90, 235);
    QLinearGradient background(0, 0, 0, H);
    background.setColorAt(0, base.lighter(125));
    background.setColorAt(1, base.darker(125));
    painter.fillRect(image.rect(), background);

    const QColor ink = QColor::fromHsv(CategoryHue(product.Category), 170, 110);
    painter.setPen(QPen(ink, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(base.lighter(150));
    const QString category = QString::fromLatin1(product.Category);
    if (category == QLatin1String("Furniture")) { // a table
        painter.drawRect(QRectF(60, 50, 120, 16));
        painter.drawLine(QPointF(72, 66), QPointF(72, 130));
        painter.drawLine(QPointF(168, 66), QPointF(168, 130));
    } else if (category == QLatin1String("Lighting")) { // a bulb
        painter.drawEllipse(QPointF(120, 75), 38, 38);
        painter.drawRect(QRectF(104, 112, 32, 22));
        painter.drawLine(QPointF(108, 140), QPointF(132, 140));
    } else if (category == QLatin1String("Stationery")) { // a pencil
        painter.save();
        painter.translate(120, 90);
        painter.rotate(-30);
        painter.drawRect(QRectF(-60, -12, 100, 24));
        painter.drawPolygon(QPolygonF({QPointF(40, -12), QPointF(68, 0), QPointF(40, 12)}));
        painter.restore();
    } else if (category == QLatin1String("Hardware")) { // a screen
        painter.drawRoundedRect(QRectF(55, 30, 130, 85), 8, 8);
        painter.drawLine(QPointF(120, 115), QPointF(120, 135));
        painter.drawLine(QPointF(95, 137), QPointF(145, 137));
    } else { // a cup
        painter.drawRoundedRect(QRectF(80, 50, 70, 80), 10, 10);
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(QRectF(135, 68, 36, 40), -90 * 16, 180 * 16);
    }
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(17);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, H - 36, W, 30), Qt::AlignCenter, QString::fromUtf8(product.Name));
    painter.end();
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

void FillTables(TBuilder& b)
{
    QRandomGenerator rng(Seed);
    const auto pick = [&rng](const auto& list) { return list[rng.bounded(int(list.size()))]; };
    const QDate firstDay(2022, 1, 1);
    const QDate lastDay(2024, 12, 31);
    const int daySpan = int(firstDay.daysTo(lastDay));

    QSqlQuery state = b.Prepare(QStringLiteral("INSERT INTO order_states (id, name) VALUES (?, ?)"));
    for (int i = 0; i < int(States.size()); ++i) {
        state.bindValue(0, i + 1);
        state.bindValue(1, QString::fromLatin1(States[i]));
        TBuilder::Run(state);
    }

    QSqlQuery product = b.Prepare(QStringLiteral(
        "INSERT INTO products (id, name, category, unit_price, picture, photo) VALUES (?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < int(Products.size()); ++i) {
        product.bindValue(0, i + 1);
        product.bindValue(1, QString::fromUtf8(Products[i].Name));
        product.bindValue(2, QString::fromLatin1(Products[i].Category));
        product.bindValue(3, Products[i].PriceCents / 100.0);
        product.bindValue(4, ProductPicture(Products[i]));
        product.bindValue(5, ProductPhoto(Products[i]));
        TBuilder::Run(product);
    }

    QSqlQuery customer = b.Prepare(QStringLiteral(
        "INSERT INTO customers (id, name, city, country, customer_since, credit_limit, active)"
        " VALUES (?, ?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= SampleCustomerCount; ++id) {
        const TCity& city = pick(Cities);
        customer.bindValue(0, id);
        customer.bindValue(1, QStringLiteral("%1 %2").arg(QLatin1String(pick(FirstNames)),
                                                          QLatin1String(pick(LastNames))));
        customer.bindValue(2, QString::fromLatin1(city.Name));
        customer.bindValue(3, QString::fromLatin1(city.Country));
        customer.bindValue(4, QDate(2015, 1, 1).addDays(rng.bounded(daySpan + 7 * 365)).toString(Qt::ISODate));
        customer.bindValue(5, (rng.bounded(1, 21) * 500));
        customer.bindValue(6, rng.bounded(100) < 85 ? 1 : 0);
        TBuilder::Run(customer);
    }

    QSqlQuery order = b.Prepare(QStringLiteral(
        "INSERT INTO orders (id, order_no, order_date, customer_id, product_id, quantity,"
        " discount_pct, amount, state_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    QSqlQuery line = b.Prepare(QStringLiteral(
        "INSERT INTO order_lines (order_id, line_no, product_id, quantity, unit_price, discount_pct)"
        " VALUES (?, ?, ?, ?, ?, ?)"));
    for (int id = 1; id <= SampleOrderCount; ++id) {
        // Orders grow denser towards the present: the later of two random days.
        const int day = std::max(rng.bounded(daySpan + 1), rng.bounded(daySpan + 1));
        const QDate date = firstDay.addDays(day);
        // Two to four lines; the order shows the product and quantity of its first line
        // and the amount of all of them.
        const int lineCount = rng.bounded(2, 5);
        const int discount = rng.bounded(100) < 20 ? 5 * rng.bounded(1, 5) : 0;
        int productIndex = 0;
        int quantity = 0;
        qint64 cents = 0;
        for (int lineNo = 1; lineNo <= lineCount; ++lineNo) {
            const int lineProduct = rng.bounded(int(Products.size()));
            const int price = Products[lineProduct].PriceCents;
            const int lineQuantity = price < 2000 ? rng.bounded(5, 101) : rng.bounded(1, 13);
            if (lineNo == 1) {
                productIndex = lineProduct;
                quantity = lineQuantity;
            }
            cents += qint64(price) * lineQuantity * (100 - discount) / 100;
            line.bindValue(0, id);
            line.bindValue(1, lineNo);
            line.bindValue(2, lineProduct + 1);
            line.bindValue(3, lineQuantity);
            line.bindValue(4, price / 100.0);
            line.bindValue(5, discount);
            TBuilder::Run(line);
        }
        // Recent orders are still in progress; a few of every age were cancelled.
        const qint64 age = date.daysTo(lastDay);
        int stateId = age > 30 ? 4 : age > 10 ? 3 : age > 3 ? 2 : 1;
        if (rng.bounded(100) < 4)
            stateId = 5;

        order.bindValue(0, id);
        order.bindValue(1, QStringLiteral("SO-%1").arg(100000 + id));
        order.bindValue(2, date.toString(Qt::ISODate));
        order.bindValue(3, rng.bounded(1, SampleCustomerCount + 1));
        order.bindValue(4, productIndex + 1);
        order.bindValue(5, quantity);
        order.bindValue(6, discount);
        order.bindValue(7, cents / 100.0);
        order.bindValue(8, stateId);
        TBuilder::Run(order);
    }
    // Paid: the orders past "New" that were not cancelled, a flag stored as Y or N.
    b.Exec(QStringLiteral("UPDATE orders SET paid = 'Y' WHERE state_id BETWEEN 2 AND 4"));
    // Shipping: S(tandard), E(xpress) or P(ick-up), and a note on a few orders.
    b.Exec(QStringLiteral("UPDATE orders SET shipping = CASE WHEN id % 7 = 0 THEN 'E' WHEN id % 11 = 0 THEN 'P'"
                          " ELSE 'S' END"));
    b.Exec(QStringLiteral("UPDATE orders SET note = 'Deliver to the back entrance' WHERE id % 13 = 0"));
    b.Exec(QStringLiteral("UPDATE orders SET note = 'Call before delivery' WHERE id % 17 = 0"));
}

// The sales table, filled by the database itself: each chunk of rows comes from a
// recursive counter joined to small tables of names and cities.
constexpr int MillionSchemaVersion = 2;
constexpr int MillionChunk = 50000;

void CreateSales(TBuilder& b)
{
    b.Exec(QStringLiteral("CREATE TABLE sales ("
                          " id INTEGER PRIMARY KEY,"
                          " customer VARCHAR(60) NOT NULL,"
                          " city VARCHAR(40) NOT NULL,"
                          " country VARCHAR(40) NOT NULL,"
                          " sale_date DATE NOT NULL,"
                          " quantity INTEGER NOT NULL,"
                          " amount NUMERIC(12,2) NOT NULL)"));
    b.Exec(QStringLiteral("CREATE TEMP TABLE first_names (k INTEGER PRIMARY KEY, name TEXT)"));
    b.Exec(QStringLiteral("CREATE TEMP TABLE last_names (k INTEGER PRIMARY KEY, name TEXT)"));
    b.Exec(QStringLiteral("CREATE TEMP TABLE cities (k INTEGER PRIMARY KEY, name TEXT, country TEXT)"));
    QSqlQuery first = b.Prepare(QStringLiteral("INSERT INTO first_names VALUES (?, ?)"));
    for (int i = 0; i < int(FirstNames.size()); ++i) {
        first.bindValue(0, i);
        first.bindValue(1, QString::fromLatin1(FirstNames[size_t(i)]));
        TBuilder::Run(first);
    }
    QSqlQuery last = b.Prepare(QStringLiteral("INSERT INTO last_names VALUES (?, ?)"));
    for (int i = 0; i < int(LastNames.size()); ++i) {
        last.bindValue(0, i);
        last.bindValue(1, QString::fromLatin1(LastNames[size_t(i)]));
        TBuilder::Run(last);
    }
    QSqlQuery city = b.Prepare(QStringLiteral("INSERT INTO cities VALUES (?, ?, ?)"));
    for (int i = 0; i < int(Cities.size()); ++i) {
        city.bindValue(0, i);
        city.bindValue(1, QString::fromLatin1(Cities[size_t(i)].Name));
        city.bindValue(2, QString::fromLatin1(Cities[size_t(i)].Country));
        TBuilder::Run(city);
    }
}

// Rows first..last of the sales; a multiplicative hash of the id scatters names,
// cities, dates and amounts.
void FillSales(TBuilder& b, int first, int last)
{
    b.Exec(QStringLiteral(
               "INSERT INTO sales (id, customer, city, country, sale_date, quantity, amount)"
               " WITH RECURSIVE n(i, h) AS (SELECT %1, (%1 * 2654435761) % 4294967296"
               "   UNION ALL SELECT i + 1, ((i + 1) * 2654435761) % 4294967296 FROM n WHERE i < %2)"
               " SELECT n.i, f.name || ' ' || l.name, c.name, c.country,"
               "   date('2015-01-01', '+' || (h % 3653) || ' days'),"
               "   1 + (h / 7) % 25, ((h / 13) % 250000) / 100.0"
               " FROM n JOIN first_names f ON f.k = (h / 3) % %3"
               "   JOIN last_names l ON l.k = (h / 5) % %4"
               "   JOIN cities c ON c.k = (h / 11) % %5")
               .arg(first)
               .arg(last)
               .arg(FirstNames.size())
               .arg(LastNames.size())
               .arg(Cities.size()));
}

int StoredSchemaVersion(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("PRAGMA user_version")) && query.next())
        return query.value(0).toInt();
    return -1;
}

} // namespace

QString DefaultSampleDatabasePath()
{
    const QString fileName = QStringLiteral("zdbdemo.sqlite");
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir).isWritable())
        return QDir(exeDir).filePath(fileName);
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataDir);
    return QDir(dataDir).filePath(fileName);
}

namespace {

QSqlDatabase OpenFile(const QString& filePath, const QString& connectionName)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
    db.setDatabaseName(filePath);
    if (!db.open())
        DatabaseError(QStringLiteral("Cannot open %1: %2").arg(filePath, db.lastError().text()));
    return db;
}

// Closes the connection and removes the file, to make it anew.
QSqlDatabase ReopenEmpty(QSqlDatabase& db, const QString& filePath, const QString& connectionName)
{
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
    QFile::remove(filePath);
    return OpenFile(filePath, connectionName);
}

} // namespace

QString DefaultMillionDatabasePath()
{
    const QFileInfo sample(DefaultSampleDatabasePath());
    return sample.dir().filePath(QStringLiteral("zdbdemo-million.sqlite"));
}

namespace {

// Opens the file at filePath; when it was not made by this version of the demo, makes it
// anew: fill writes its tables in one transaction and may return false to give up, which
// removes the file and leaves the connection closed.
QSqlDatabase OpenOrBuild(const QString& filePath, const QString& connectionName, int version,
                         const std::function<bool(TBuilder&)>& fill)
{
    QSqlDatabase db = OpenFile(filePath, connectionName);
    if (StoredSchemaVersion(db) == version)
        return db;
    // Missing, empty or from an older demo: build it anew in a fresh file.
    db = ReopenEmpty(db, filePath, connectionName);

    TBuilder builder(db);
    // Nothing to recover on a failure: the file is removed.
    builder.Exec(QStringLiteral("PRAGMA journal_mode = OFF"));
    builder.Exec(QStringLiteral("BEGIN"));
    auto rollback = qScopeGuard([&] {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
        QFile::remove(filePath);
    });
    if (!fill(builder))
        return db; // closed and removed by the guard
    builder.Exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    builder.Exec(QStringLiteral("COMMIT"));
    rollback.dismiss();
    // The application's own changes are journalled again.
    builder.Exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    return db;
}

} // namespace

QSqlDatabase OpenMillionDatabase(const QString& filePath, const QString& connectionName,
                                 const std::function<bool(int percent)>& progress)
{
    return OpenOrBuild(filePath, connectionName, MillionSchemaVersion, [&](TBuilder& builder) {
        CreateSales(builder);
        // The rows take about two thirds of the time, the indexes and statistics the rest.
        const QStringList indexed = {QStringLiteral("customer"), QStringLiteral("city"),
                                     QStringLiteral("sale_date"), QStringLiteral("amount")};
        const auto stepTo = [&](int percent) { return !progress || progress(percent); };
        for (int first = 1; first <= MillionRowCount; first += MillionChunk) {
            if (!stepTo(int(qint64(first - 1) * 66 / MillionRowCount)))
                return false;
            FillSales(builder, first, std::min(first + MillionChunk - 1, MillionRowCount));
        }
        // What the titles sort by: the grid pages through the rows in that order.
        for (qsizetype i = 0; i < indexed.size(); ++i) {
            if (!stepTo(66 + int(i) * 34 / int(indexed.size())))
                return false;
            builder.Exec(QStringLiteral("CREATE INDEX sales_%1 ON sales(%1)").arg(indexed[i]));
        }
        // Statistics, so that a filtered page in a sorted order reads the sort's index
        // rather than sorting every row of a city again.
        builder.Exec(QStringLiteral("ANALYZE"));
        return true;
    });
}

QSqlDatabase OpenSampleDatabase(const QString& filePath, const QString& connectionName)
{
    return OpenOrBuild(filePath, connectionName, SchemaVersion, [](TBuilder& builder) {
        CreateTables(builder);
        FillTables(builder);
        FillCategories(builder);
        return true;
    });
}

} // namespace zdb::demo
