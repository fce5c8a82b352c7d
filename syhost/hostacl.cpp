#include "hostacl.h"

CHostJson aclEntries(CHostContext& context, const iastring& entries)
{
    CHostJson list = CHostJson::array();
    for (iastring::size_type start = entries.find(L'('); start != iastring::npos;)
    {
        const iastring::size_type end = entries.find(L')', start);
        const iastring entry = entries.substr(start, end == iastring::npos ? iastring::npos : end + 1 - start);
        // "(account, TYPE, rights[, inheritance])": an account ends at its first comma.
        const iastring::size_type comma = entry.find(L',');
        const iastring sid = entry.substr(1, comma == iastring::npos ? iastring::npos : comma - 1);
        const iastring rest = comma == iastring::npos ? iastring() : entry.substr(comma + 2, entry.size() - comma - 3);
        CHostJson item = {{"account", accountOfSid(context, sid)}, {"entry", utf8(rest)}, {"text", utf8(entry)}};
        list.push_back(item);
        start = end == iastring::npos ? end : entries.find(L'(', end);
    }
    return list;
}

iastring entryLine(const CHostJson& entry)
{
    const CHostJson& account = entry["account"];
    const iastring label = text(account["label"]);
    const iastring sid = text(account["sid"]);
    return L"(" + label + L", " + text(entry["entry"]) + L")" + (label == sid ? iastring() : L"\t" + sid);
}

CHostJson aclDocument(CHostContext& context, const PSyACL& acl)
{
    const iastring owner = acl->getOwnerId();
    const iastring group = acl->getGroupId();
    CHostJson document;
    document["owner"] = owner.empty() ? CHostJson() : accountOfSid(context, owner);
    document["group"] = group.empty() ? CHostJson() : accountOfSid(context, group);
    document["entries"] = aclEntries(context, acl->toString());
    return document;
}

void renderAcl(const CHostJson& document, std::wostream& out)
{
    out << L"owner\t" << (document["owner"].is_null() ? L"none" : accountLabel(document["owner"])) << L"\n"
        << L"group\t" << (document["group"].is_null() ? L"none" : accountLabel(document["group"])) << L"\n";
    for (const CHostJson& entry : document["entries"])
        out << entryLine(entry) << L"\n";
}
