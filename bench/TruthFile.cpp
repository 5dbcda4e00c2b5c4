#include "bench/TruthFile.h"

#include <QFile>
#include <QTextStream>

#include <stdexcept>

void WriteTruth(const QString &path, const std::vector<TruthNumber> &truth)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error((path + QStringLiteral(": ") + file.errorString()).toStdString());
    QTextStream out(&file);
    out << "# text x y width height\n";
    for (const TruthNumber &number : truth)
        out << number.text.c_str() << ' ' << number.box.x() << ' ' << number.box.y() << ' '
            << number.box.width() << ' ' << number.box.height() << '\n';
}

std::vector<TruthNumber> ReadTruth(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error((path + QStringLiteral(": ") + file.errorString()).toStdString());
    std::vector<TruthNumber> truth;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        bool ok = fields.size() == 5;
        int values[4] = {};
        for (int i = 0; ok && i < 4; ++i)
            values[i] = fields[i + 1].toInt(&ok);
        if (!ok)
            throw std::runtime_error(
                path.toStdString() + ": not \"TEXT X Y W H\": " + line.toStdString());
        truth.push_back(
            {fields[0].toStdString(), QRect(values[0], values[1], values[2], values[3])});
    }
    return truth;
}
