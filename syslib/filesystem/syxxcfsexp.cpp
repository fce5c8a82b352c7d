// Portable code only: what a share object carries before it is shared.
#include "syfsexportimpl.h"
#include "syfspathimpl.h"

#include "syslib/account/syaclimpl.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcfsexp")

std::wostream& operator<<(std::wostream& os, ISyFSExport::eExportOptions value)
{
    const int bits = static_cast<int>(value);
    const struct
    {
        int bits;
        const wchar_t* name;
    } names[] = {{ISyFSExport::READ, L"READ"}, {ISyFSExport::WRITE, L"WRITE"}, {ISyFSExport::EXECUTE, L"EXECUTE"},
                 {ISyFSExport::ROOT, L"ROOT"}};
    os << L"(";
    const wchar_t* separator = L"";
    for (const auto& entry : names)
    {
        const bool full = (bits & ISyFSExport::FULL) == ISyFSExport::FULL;
        if (full && entry.bits == ISyFSExport::READ)
        {
            os << L"FULL";
            separator = L"|";
        }
        if ((bits & entry.bits) && !(full && (entry.bits & ISyFSExport::FULL)))
        {
            os << separator << entry.name;
            separator = L"|";
        }
    }
    return os << L")";
}

CSyFSExportImpl::CSyFSExportImpl(const CSyPath& path, const iastring& name, const iastring& description,
                                 ISyFSExport::eExportOptions options)
    : m_path(path), m_name(name), m_description(description), m_options(options)
{
}

PSyFSPath CSyFSExportImpl::getPath() const
{
    return PSyFSPath(new CSyFSPath(m_path));
}

void CSyFSExportImpl::setExportOptions(ISyFSExport::eExportOptions options)
{
    SY_TRACE_FUNCTION(L"CSyFSExportImpl::setExportOptions(ISyFSExport::eExportOptions)");
    SY_TRACE_PARAMETERS(syslib::toString(options));
    m_options = options;
}

PSyACL CSyFSExportImpl::aclFromOptions() const
{
    iastring letters;
    if (m_options & ISyFSExport::READ)
        letters += L'r';
    if (m_options & ISyFSExport::WRITE)
        letters += L'w';
    if (m_options & ISyFSExport::EXECUTE)
        letters += L'x';
    if (letters.empty())
        return PSyACL();
    SyAclStrings::CSyRightsExpression rights;
    rights.appendLetters(letters);
    SySecurityImpl::CSySecurityDesc descriptor;
    SySecurityImpl::CSyEntryChange everyone;
    everyone.sid = L"S-1-1-0";
    everyone.accountType = SyAclStrings::CSySecurityParser::GROUP;
    SySecurityImpl::CSySecurityDesc::IACEOperation::of(SyAclStrings::CSySecurityParser::OP_SET)
        ->apply(descriptor, everyone, rights, FILESYSTEM);
    return PSyACL(new CSyACL(FILESYSTEM, m_name, descriptor));
}
