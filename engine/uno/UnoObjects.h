#pragma once
// The office interface over UNO references. Internal to the office layer.

#include "Office.h"
#include "UnoErrors.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/uno/Any.hxx>
#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/Sequence.hxx>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ustring.hxx>

#include <functional>

namespace uno_office {

using Alive = uno_errors::Link;

rtl::OUString toOUString(const QString& s);
QString toQString(const rtl::OUString& s);
css::uno::Any toAny(const QVariant& value);
css::uno::Sequence<css::beans::PropertyValue> toSequence(const office::PropertyValues& values);

/// The service manager of a connected office.
std::shared_ptr<office::ServiceManager>
makeServiceManager(const css::uno::Reference<css::uno::XComponentContext>& context, Alive alive);

} // namespace uno_office
