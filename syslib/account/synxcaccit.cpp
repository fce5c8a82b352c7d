// Windows code of the account iterators and their filters.
#include "syaccountiterimpl.h"
#include "syaccountwin.h"

SY_SOURCE_FILE(L"syxxbaccit")

namespace
{
// The directory class of an element ("User", "Group", …); empty when it has none.
iastring classOf(IUnknown* element, syslib::CSyComPtr<IADs>& object)
{
    syslib::CSyBstr name;
    if (element == nullptr || FAILED(element->QueryInterface(IID_IADs, object.receiveVoid())) ||
        FAILED(object->get_Class(name.receive())) || !name)
        return iastring();
    return name.get();
}

IUnknown* elementOf(const VARIANT& value)
{
    if (value.vt == VT_DISPATCH)
        return value.pdispVal;
    return value.vt == VT_UNKNOWN ? value.punkVal : nullptr;
}
} // namespace

bool CSyFilter::accept(IUnknown*) const
{
    return true;
}

CSyPatternFilter::CSyPatternFilter(ISyAccountMgt::eAccountType kind, const iastring& pattern, bool caseSensitive)
    : m_kind(kind), m_pattern(pattern, caseSensitive)
{
}

bool CSyPatternFilter::accept(IUnknown* element) const
{
    syslib::CSyComPtr<IADs> object;
    const iastring className = classOf(element, object);
    if ((m_kind & 3) == ISyAccountMgt::USER && className != L"User")
        return false;
    if ((m_kind & 3) == ISyAccountMgt::GROUP && className != L"Group")
        return false;
    syslib::CSyBstr name;
    if (!object || FAILED(object->get_Name(name.receive())) || !name)
        return false;
    return m_pattern.matches(name.get());
}

CSyComAccountIteratorImpl::CSyComAccountIteratorImpl(syslib::CSyComPtr<IEnumVARIANT> enumerator,
                                                     std::unique_ptr<CSyFilter> filter)
    : m_enumerator(std::move(enumerator)), m_filter(std::move(filter))
{
}

void CSyComAccountIteratorImpl::first()
{
    if (m_enumerator)
        m_enumerator->Reset();
    m_done = false;
    next();
}

void CSyComAccountIteratorImpl::next()
{
    m_current.clear();
    while (!m_done)
    {
        ULONG fetched = 0;
        if (!m_enumerator || m_enumerator->Next(1, m_current.receive(), &fetched) != S_OK || fetched != 1)
        {
            m_current.clear();
            m_done = true;
            return;
        }
        if (m_filter->accept(elementOf(m_current.get())))
            return;
    }
}

PSyAccount CSyComAccountIteratorImpl::get() const
{
    syslib::CSyComPtr<IADs> object;
    const iastring className = classOf(elementOf(m_current.get()), object);
    if (!m_done && className == L"User")
        return PSyAccount(new CSyUser(std::static_pointer_cast<CSyUserImpl>(
            CSyAccountCache::instance().getBoundImpl(object.get(), ISyAccountMgt::USER))));
    if (!m_done && className == L"Group")
        return PSyAccount(new CSyGroup(std::static_pointer_cast<CSyGroupImpl>(
            CSyAccountCache::instance().getBoundImpl(object.get(), ISyAccountMgt::GROUP))));
    syslib::reportError(L"syslib.account.internalError", {L"CSyComAccountIteratorImpl::get()", className}, __LINE__);
    throw ESyException(L"syxxbaccit");
}

namespace
{
// An iterator on the enumerator a collection's _NewEnum gave, positioned on its first accepted element.
PSyAccountIterator iteratorOver(syslib::CSyComPtr<IUnknown>& unknown, std::unique_ptr<CSyFilter> filter)
{
    syslib::CSyComPtr<IEnumVARIANT> enumerator;
    if (unknown)
        unknown->QueryInterface(IID_IEnumVARIANT, enumerator.receiveVoid());
    PSyAccountIterator iterator(new CSyComAccountIterator(std::move(enumerator), std::move(filter)));
    iterator->first();
    return iterator;
}
} // namespace

PSyAccountIterator CSyComAccountIterator::over(IADsMembers* collection, CSyFilter* filter)
{
    std::unique_ptr<CSyFilter> owned(filter);
    syslib::CSyComPtr<IUnknown> unknown;
    if (FAILED(collection->get__NewEnum(unknown.receive())))
        unknown.reset();
    return iteratorOver(unknown, std::move(owned));
}

PSyAccountIterator CSyComAccountIterator::overComputer(ISyAccountMgt::eAccountType kind, CSyFilter* filter)
{
    std::unique_ptr<CSyFilter> owned(filter);
    const iastring path = L"WinNT://" + SyComputerName() + L",computer";
    syslib::CSyComPtr<IADsContainer> computer;
    SY_TRACE_SYSCALL(L"ADsGetObject(" + path + L", IID_IADsContainer, ...)");
    HRESULT hr = syslib::accountApi().ADsGetObject(path.c_str(), IID_IADsContainer, computer.receiveVoid());
    SY_TRACE_SYSCALL_RETURNED();
    if (SUCCEEDED(hr))
    {
        // The container skips other classes itself: services and printers are never bound.
        std::vector<const wchar_t*> wanted;
        if ((kind & 3) != ISyAccountMgt::GROUP)
            wanted.push_back(L"User");
        if ((kind & 3) != ISyAccountMgt::USER)
            wanted.push_back(L"Group");
        syslib::CSyVariant classes;
        SAFEARRAY* names = ::SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(wanted.size()));
        hr = names ? S_OK : E_OUTOFMEMORY;
        if (SUCCEEDED(hr))
        {
            classes.get().vt = VT_ARRAY | VT_VARIANT;
            classes.get().parray = names;
        }
        for (LONG index = 0; SUCCEEDED(hr) && index < static_cast<LONG>(wanted.size()); ++index)
        {
            syslib::CSyVariant name;
            name.get().vt = VT_BSTR;
            name.get().bstrVal = ::SysAllocString(wanted[index]);
            hr = ::SafeArrayPutElement(names, &index, &name.get());
        }
        if (SUCCEEDED(hr))
            hr = computer->put_Filter(classes.get());
    }
    syslib::CSyComPtr<IUnknown> unknown;
    if (SUCCEEDED(hr))
        hr = computer->get__NewEnum(unknown.receive());
    if (FAILED(hr))
    {
        syslib::account::log(L"HRESULT=" + syslib::account::hresultText(hr), __LINE__);
        syslib::reportError(L"syslib.account.getPropertyFailed", {path, L"accounts"}, __LINE__);
        throw ESyAccountSystemCallFailed(path, L"accounts", ESyException::DCOM_HRESULT, static_cast<int>(hr));
    }
    return iteratorOver(unknown, std::move(owned));
}
