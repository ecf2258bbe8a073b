#pragma once
// Values between Qt and UNO. Internal to the office layer.

#include "Office.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Sequence.hxx>
#include <rtl/ustring.hxx>

namespace uno_office {

rtl::OUString toOUString(const QString& s);
QString toQString(const rtl::OUString& s);
css::uno::Any toAny(const QVariant& value);
css::uno::Sequence<css::beans::PropertyValue> toSequence(const office::PropertyValues& values);

} // namespace uno_office
