#include "controls/propertybag.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace controls {

PropertyBag::PropertyBag(const QJsonObject &values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        m_values.insert(it.key().toLower(), it.value());
}

QJsonValue PropertyBag::ReadProperty(const QString &key, const QJsonValue &defaultValue) const
{
    const auto it = m_values.constFind(key.toLower());
    return it == m_values.constEnd() ? defaultValue : it.value();
}

void PropertyBag::WriteProperty(const QString &key, const QJsonValue &value, const QJsonValue &defaultValue)
{
    const QString name = key.toLower();
    m_values.remove(name);
    if (defaultValue.isUndefined() || value != defaultValue)
        m_values.insert(name, value);
}

bool PropertyBag::contains(const QString &key) const
{
    return m_values.contains(key.toLower());
}

QList<ControlDesign> readFormDesign(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<ControlDesign> controls;
    const QJsonArray entries =
        QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("controls")).toArray();
    for (const QJsonValue &entry : entries) {
        const QJsonObject object = entry.toObject();
        controls.append({object.value(QLatin1String("name")).toString(),
                         object.value(QLatin1String("extender")).toObject(),
                         PropertyBag(object.value(QLatin1String("properties")).toObject())});
    }
    return controls;
}

} // namespace controls
