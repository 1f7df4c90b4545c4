// Feeds arbitrary bytes to the template loader as a template file, then runs every region
// operation on whatever loaded.
#include "report/KMReportTemplate.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = memfd_create("template", 0);
    if (fd < 0) {
        return 0;
    }
    if (write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    KMReportTemplate report;
    if (report.Load(path.c_str())) {
        std::string text;
        report.ToXml(text);
        std::string logo;
        report.GetLogoName(logo);
        report.SetLogo(path.c_str());
        report.IsLogoVisible();
        report.SetLogoVisible(false);
        report.IsImageVisible();
        report.SetImageVisible(true);
        std::vector<std::string> layouts;
        report.GetImageLayoutList(layouts);
        int layout = 0;
        report.GetImageLayout(layout);
        report.SetImageLayout(layout + 1);
        std::vector<std::pair<std::string, std::string>> rows;
        report.GetAttributeList(rows);
        rows.emplace_back("0010,0040", "Sex");
        rows.emplace_back("0010,1010", "Age");
        rows.emplace_back("0008,0020", "Date");
        rows.emplace_back("ffff", "");
        report.SetAttributeList(rows);
        report.Save(nullptr, "fuzz");
        report.ToXml(text);
    }
    close(fd);
    return 0;
}
