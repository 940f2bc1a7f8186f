#include "XlsxContents.h"

#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace quorvex::testing {

namespace {

QByteArray unzipMember(const QString& path, const QString& member, QString& error) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, member});
    if (!unzip.waitForFinished(60000) || unzip.exitStatus() != QProcess::NormalExit ||
        unzip.exitCode() != 0) {
        error = QStringLiteral("unzip -p %1 %2 failed: %3")
                    .arg(path, member, QString::fromLocal8Bit(unzip.readAllStandardError()));
        return {};
    }
    return unzip.readAllStandardOutput();
}

int columnIndex(const QString& reference) {
    int index = 0;
    for (const QChar c : reference) {
        if (!c.isLetter())
            break;
        index = index * 26 + (c.unicode() - u'A' + 1);
    }
    return index - 1;
}

} // namespace

XlsxContents XlsxContents::read(const QString& path) {
    XlsxContents contents;
    const QByteArray workbook =
        unzipMember(path, QStringLiteral("xl/workbook.xml"), contents.error);
    if (!contents.error.isEmpty())
        return contents;
    for (QXmlStreamReader r(workbook); !r.atEnd();) {
        if (r.readNext() == QXmlStreamReader::StartElement && r.name() == u"sheet")
            contents.sheetNames << r.attributes().value(QLatin1String("name")).toString();
    }

    const QByteArray sheet =
        unzipMember(path, QStringLiteral("xl/worksheets/sheet1.xml"), contents.error);
    if (!contents.error.isEmpty())
        return contents;
    QXmlStreamReader r(sheet);
    QString reference;
    XlsxCell cell;
    while (!r.atEnd()) {
        const auto token = r.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (r.name() == u"row") {
                ++contents.rowCount;
            } else if (r.name() == u"c") {
                reference = r.attributes().value(QLatin1String("r")).toString();
                cell = XlsxCell{r.attributes().value(QLatin1String("t")).toString(),
                                r.attributes().value(QLatin1String("s")).toString(), QString()};
            } else if (r.name() == u"t" || r.name() == u"v") {
                cell.value += r.readElementText();
            }
        } else if (token == QXmlStreamReader::EndElement && r.name() == u"c") {
            contents.cells.insert(reference, cell);
        }
    }
    if (r.hasError())
        contents.error = r.errorString();
    return contents;
}

QStringList XlsxContents::rowValues(int row) const {
    QStringList values;
    const QString suffix = QString::number(row);
    for (auto it = cells.begin(); it != cells.end(); ++it) {
        const QString& ref = it.key();
        if (!ref.endsWith(suffix) || ref.mid(0, ref.size() - suffix.size())
                                         .contains(QRegularExpression(QStringLiteral("\\d"))))
            continue;
        const int column = columnIndex(ref);
        while (values.size() <= column)
            values << QString();
        values[column] = it.value().value;
    }
    return values;
}

} // namespace quorvex::testing
