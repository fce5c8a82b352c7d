// Size commands: the library's byte, kilobyte and megabyte conversions.
#include "hostcommand.h"
#include "syslib/filesystem/syfilesystemmgt.h"

#include <iomanip>

namespace
{
class CSizeCommand : public CHostCommand
{
public:
    CSizeCommand()
        : CHostCommand("size", "N [B|KB|MB]", "N bytes (or kilobytes, megabytes) converted by 1024", "syhost size 2 KB")
    {
    }
    void define(CLI::App& command) override
    {
        command.add_option("amount", m_amount, "a number")->required();
        command.add_option("unit", m_unit, "B, KB or MB (B)")
            ->transform(CLI::IsMember({"B", "KB", "MB"}, CLI::ignore_case));
    }
    CHostResult run(CHostContext& context) override
    {
        const PSySize size = context.factory->getFileSystemMgt()->getSize(0);
        if (m_unit == "KB")
            size->setKBytes(m_amount);
        else if (m_unit == "MB")
            size->setMBytes(m_amount);
        else
            size->setBytes(m_amount);
        CHostResult result;
        result.document = {{"bytes", size->getBytes()}, {"KB", size->getKBytes()}, {"MB", size->getMBytes()}};
        return result;
    }
    void render(const CHostJson& document, std::wostream& out) const override
    {
        out << L"bytes  " << std::fixed << std::setprecision(0) << document["bytes"].get<double>() << L"\n"
            << std::defaultfloat << std::setprecision(17) << L"KB     " << document["KB"].get<double>() << L"\n"
            << L"MB     " << document["MB"].get<double>() << L"\n";
    }

private:
    double m_amount = 0;
    std::string m_unit = "B";
} size;
} // namespace
