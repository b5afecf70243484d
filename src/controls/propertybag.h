#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QVariant>

namespace controls {

// The store of a control's saved properties: named values, names compared without regard to case. Values
// are plain JSON values (text, number, true/false, an object for a font); what each key means is the
// control's business.
class PropertyBag
{
public:
    PropertyBag() = default;
    explicit PropertyBag(const QJsonObject &values);

    // The stored value, or `defaultValue` when the key is absent.
    QJsonValue ReadProperty(const QString &key,
                            const QJsonValue &defaultValue = QJsonValue(QJsonValue::Undefined)) const;
    // Stores the value unless it equals `defaultValue`; a key stored before under another case is replaced.
    void WriteProperty(const QString &key, const QJsonValue &value,
                       const QJsonValue &defaultValue = QJsonValue(QJsonValue::Undefined));

    bool contains(const QString &key) const;
    // Keys in lower case, as a saved design holds them.
    QJsonObject toJson() const { return m_values; }

private:
    QJsonObject m_values;
};

// One control of a saved form design: its name, the properties its form keeps for it (a tool tip) and its
// own bag.
struct ControlDesign
{
    QString name;
    QJsonObject extender;
    PropertyBag properties;
};

// Reads a saved form design: an object whose "controls" array holds objects with "name", "extender" and
// "properties". A file that cannot be read gives no controls.
QList<ControlDesign> readFormDesign(const QString &path);

} // namespace controls
