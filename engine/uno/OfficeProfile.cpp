#include "OfficeProfile.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/ucb/XContentProviderManager.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace css;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace office_profile {

static Reference<beans::XPropertySet> node(const Reference<lang::XMultiServiceFactory>& provider, const char* service,
                                           const char* path)
{
    const uno::Any argument(beans::PropertyValue("nodepath", 0, uno::Any(OUString::createFromAscii(path)),
                                                 beans::PropertyState_DIRECT_VALUE));
    return Reference<beans::XPropertySet>(
        provider->createInstanceWithArguments(OUString::createFromAscii(service), {&argument, 1}), UNO_QUERY_THROW);
}

static void configure(const Reference<lang::XMultiServiceFactory>& provider, const char* path,
                      std::initializer_list<std::pair<const char*, uno::Any>> values)
{
    const Reference<beans::XPropertySet> properties
        = node(provider, "com.sun.star.configuration.ConfigurationUpdateAccess", path);
    for (const auto& [name, value] : values)
        properties->setPropertyValue(OUString::createFromAscii(name), value);
    Reference<util::XChangesBatch>(properties, UNO_QUERY_THROW)->commitChanges();
}

void configureProfile(const Reference<uno::XComponentContext>& context)
{
    Reference<lang::XMultiServiceFactory> provider(context->getServiceManager()->createInstanceWithContext(
                                                       "com.sun.star.configuration.ConfigurationProvider", context),
                                                   UNO_QUERY_THROW);
    // No lock file beside the user's documents: one left by an office that
    // died would make the user's own office call the document locked.
    configure(provider, "/org.openoffice.Office.Common/Misc",
              {{"UseLocking", uno::Any(false)},
               {"UseDocumentOOoLockFile", uno::Any(false)},
               {"UseDocumentSystemFileLocking", uno::Any(false)}});
    // Linked pictures and objects of a document loaded with an untrusted
    // referer are not fetched; no macro runs, whatever the document says.
    configure(provider, "/org.openoffice.Office.Common/Security/Scripting",
              {{"BlockUntrustedRefererLinks", uno::Any(true)},
               {"DisableMacrosExecution", uno::Any(true)},
               {"MacroSecurityLevel", uno::Any(sal_Int32(3))}});
    // A stored result gets no picture of the sheet, which could show a
    // linked local file.
    configure(provider, "/org.openoffice.Office.Common/Save/Document", {{"GenerateThumbnail", uno::Any(false)}});
    // External references, linked sheets and areas, DDE and web formulas are
    // never updated (1: never), and the stored formula results are kept on
    // load (1: never recalculate), so a cell shows what the document shows.
    configure(provider, "/org.openoffice.Office.Calc/Content/Update", {{"Link", uno::Any(sal_Int32(1))}});
    configure(provider, "/org.openoffice.Office.Calc/Formula/Load",
              {{"OOXMLRecalcMode", uno::Any(sal_Int32(1))}, {"ODFRecalcMode", uno::Any(sal_Int32(1))}});
    // Should the profile not have been given the version (seedProfile()),
    // it is at least given it before the office starts anew.
    const uno::Any version
        = node(provider, "com.sun.star.configuration.ConfigurationAccess", "/org.openoffice.Setup/Product")
              ->getPropertyValue("ooSetupVersion");
    configure(provider, "/org.openoffice.Setup/Product", {{"ooSetupLastVersion", version}});
}

void seedProfile(const QString& profile, const QString& binary)
{
    QFile defaults(QFileInfo(binary).absolutePath() + "/../share/registry/main.xcd");
    if (!defaults.open(QIODevice::ReadOnly))
        return;
    const QRegularExpressionMatch version
        = QRegularExpression(R"(<prop oor:name="ooSetupVersion">\s*<value>([0-9.]+)</value>)")
              .match(QString::fromUtf8(defaults.readAll()));
    QFile seeded(profile + "/user/registrymodifications.xcu");
    if (!version.hasMatch() || !QDir().mkpath(profile + "/user") || !seeded.open(QIODevice::WriteOnly))
        return;
    seeded.write(QString(R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>%1</value></prop></item>
</oor:items>
)")
                     .arg(version.captured(1))
                     .toUtf8());
}

void keepContentLocal(const Reference<uno::XComponentContext>& context)
{
    static constexpr std::string_view local[] = {"file",
                                                 "private",
                                                 "vnd.sun.star.pkg",
                                                 "vnd.sun.star.zip",
                                                 "vnd.sun.star.tdoc",
                                                 "vnd.sun.star.hier",
                                                 "vnd.sun.star.expand",
                                                 "vnd.sun.star.help",
                                                 "vnd.sun.star.extension",
                                                 "vnd.libreoffice.image"};
    Reference<ucb::XContentProviderManager> broker(
        context->getServiceManager()->createInstanceWithContext("com.sun.star.ucb.UniversalContentBroker", context),
        UNO_QUERY_THROW);
    for (const ucb::ContentProviderInfo& info : broker->queryContentProviders()) {
        const std::string scheme = OUStringToOString(info.Scheme, RTL_TEXTENCODING_UTF8).toAsciiLowerCase().getStr();
        if (std::find(std::begin(local), std::end(local), scheme) == std::end(local))
            broker->deregisterContentProvider(info.ContentProvider, info.Scheme);
    }
}

} // namespace office_profile
