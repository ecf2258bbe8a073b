#include "UnoValues.h"

using namespace css;
using rtl::OUString;

namespace uno_office {

OUString toOUString(const QString& s)
{
    return OUString(reinterpret_cast<const sal_Unicode*>(s.utf16()), sal_Int32(s.size()));
}

QString toQString(const OUString& s)
{
    return QString(reinterpret_cast<const QChar*>(s.getStr()), s.getLength());
}

uno::Any toAny(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool: return uno::Any(value.toBool());
    case QMetaType::Short: return uno::Any(sal_Int16(value.value<short>()));
    case QMetaType::Int: return uno::Any(sal_Int32(value.toInt()));
    case QMetaType::Double: return uno::Any(value.toDouble());
    case QMetaType::QString: return uno::Any(toOUString(value.toString()));
    default: throw office::Error("Unsupported argument type " + std::string(value.typeName()));
    }
}

uno::Sequence<beans::PropertyValue> toSequence(const office::PropertyValues& values)
{
    uno::Sequence<beans::PropertyValue> sequence(sal_Int32(values.size()));
    auto* out = sequence.getArray();
    for (qsizetype i = 0; i < values.size(); ++i) {
        out[i].Name = toOUString(values[i].name);
        out[i].Value = toAny(values[i].value);
    }
    return sequence;
}

} // namespace uno_office
