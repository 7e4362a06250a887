#include "mail/KvMimeTypes.h"

#include <cstddef>

#include "foundation/KvFiles.h"

namespace {

struct TPair {
    const char* Key;
    const char* Value;
};

constexpr TPair BuiltInExtToMime[] = {
    {"ai", "application/postscript"}, {"au", "audio/basic"},
    {"avi", "video/x-msvideo"}, {"bmp", "image/bmp"},
    {"csh", "application/x-csh"}, {"doc", "application/msword"},
    {"dvi", "application/x-dvi"}, {"eml", "message/rfc822"},
    {"eps", "application/postscript"}, {"gif", "image/gif"},
    {"gtar", "application/x-gtar"}, {"gz", "application/x-gzip"},
    {"hlp", "application/winhlp"}, {"htm", "text/html"},
    {"html", "text/html"}, {"ico", "image/x-icon"},
    {"jfif", "image/pipeg"}, {"jpe", "image/jpeg"},
    {"jpeg", "image/jpeg"}, {"jpg", "image/jpeg"},
    {"mdb", "application/x-msaccess"}, {"mht", "message/rfc822"},
    {"mhtml", "message/rfc822"}, {"mid", "audio/mid"},
    {"mny", "application/x-msmoney"}, {"mov", "video/quicktime"},
    {"movie", "video/x-sgi-movie"}, {"mpe", "video/mpeg"},
    {"mpeg", "video/mpeg"}, {"mpg", "video/mpeg"},
    {"msg", "message/rfc822"}, {"p7s", "application/x-pkcs7-signature"},
    {"pbm", "image/x-portable-bitmap"}, {"pdf", "application/pdf"},
    {"png", "image/png"}, {"ppt", "application/vnd.ms-powerpoint"},
    {"ps", "application/postscript"}, {"qt", "video/quicktime"},
    {"rtf", "application/rtf"}, {"rtx", "text/richtext"},
    {"swf", "application/x-shockwave-flash"}, {"tar", "application/x-tar"},
    {"tif", "image/tiff"}, {"tiff", "image/tiff"},
    {"txt", "text/plain"}, {"uue", "text/x-uuencode"},
    {"vcf", "text/x-vcard"}, {"wav", "audio/x-wav"},
    {"wmf", "audio/x-msmetafile"}, {"wp", "application/wordperfect"},
    {"wps", "application/vnd.ms-works"}, {"xbm", "image/x-xbitmap"},
    {"xla", "application/vnd.ms-excel"}, {"xls", "application/vnd.ms-excel"},
    {"xml", "text/xml"}, {"zip", "application/zip"},
};

// Several types share an extension. "application/vnd.ms-powerpoint" comes
// twice; the sorted table keeps the first and ignores the repeat.
constexpr TPair BuiltInMimeToExt[] = {
    {"application/msword", "doc"}, {"application/pdf", "pdf"},
    {"application/postscript", "ps"}, {"application/rtf", "rtf"},
    {"application/vnd.ms-powerpoint", "ppt"}, {"application/winhlp", "hlp"},
    {"application/x-csh", "csh"}, {"application/x-dvi", "dvi"},
    {"application/x-gtar", "gtar"}, {"application/x-gzip", "gz"},
    {"application/x-javascript", "js"}, {"application/x-latex", "latex"},
    {"application/x-msaccess", "mdb"}, {"application/x-mscardfile", "crd"},
    {"application/x-msdownload", "dll"}, {"application/vnd.ms-excel", "xls"},
    {"application/vnd.ms-powerpoint", "ppt"}, {"application/x-msmetafile", "wmf"},
    {"application/x-msmoney", "mny"}, {"application/x-mspublisher", "pub"},
    {"application/x-msschedule", "scd"}, {"application/x-mswrite", "wri"},
    {"application/x-pkcs7-signature", "p7s"}, {"application/x-shockwave-flash", "swf"},
    {"application/x-tar", "tar"}, {"application/x-tex", "tex"},
    {"application/x-vcard", "vcf"}, {"application/x-zip-compressed", "zip"},
    {"application/zip", "zip"}, {"audio/basic", "au"},
    {"audio/mid", "mid"}, {"audio/midi", "mid"},
    {"audio/mpeg", "mp3"}, {"audio/x-midi", "mid"},
    {"audio/x-pn-realaudio", "ra"}, {"audio/x-wav", "wav"},
    {"image/bmp", "bmp"}, {"image/gif", "gif"},
    {"image/jpeg", "jpg"}, {"image/pipeg", "jfif"},
    {"image/tiff", "tif"}, {"image/x-icon", "ico"},
    {"image/x-portable-bitmap", "pbm"}, {"image/x-xbitmap", "xbm"},
    {"message/rfc822", "eml"}, {"text/css", "css"},
    {"text/enriched", "rtf"}, {"text/html", "htm"},
    {"text/plain", "txt"}, {"text/richtext", "rtx"},
    {"text/x-cdsi-msrtf", "rtf"}, {"text/x-vcard", "vcf"},
    {"text/xml", "xml"}, {"video/mpeg", "mpg"},
    {"video/quicktime", "mov"}, {"video/x-msvideo", "avi"},
    {"video/x-sgi-movie", "movie"},
};

// Lines are "key" TAB "value"; the value keeps any further TABs. Comments
// (";"), empty lines and lines without a key are passed over.
int LoadTableFile(const std::string& FileName, TTableList& Table)
{
    const std::string path = FindDataFile(FileName);
    if (!IsExistingFile(path))
        return 0;
    TStringList lines;
    LoadStringsFromFile(path, lines);
    int added = 0;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string line = lines[i];
        if (line.empty() || line[0] == ';')
            continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0)
            continue;
        Table.AddPair(line.substr(0, tab), line.substr(tab + 1));
        ++added;
    }
    return added;
}

template <std::size_t N>
void FillTable(std::unique_ptr<TTableList>& Table, const char* FileName, const TPair (&BuiltIn)[N])
{
    if (!Table) {
        Table = std::make_unique<TTableList>();
        Table->SetSorted(true);
    }
    if (LoadTableFile(FileName, *Table) > 0)
        return;
    for (const TPair& pair : BuiltIn)
        Table->AddPair(pair.Key, pair.Value);
}

}  // namespace

TMimeTypeObj::TMimeTypeObj() = default;
TMimeTypeObj::~TMimeTypeObj() = default;

void TMimeTypeObj::LoadExtToMime() { FillTable(FExtToMime, "Ext-Mime.dat", BuiltInExtToMime); }

void TMimeTypeObj::LoadMimeToExt() { FillTable(FMimeToExt, "Mime-Ext.dat", BuiltInMimeToExt); }

void TMimeTypeObj::MimeTypeOfExt(const std::string& Ext, std::string& MimeType)
{
    if (!FExtToMime)
        LoadExtToMime();
    MimeType = FExtToMime->ValueOf(Ext);
}

void TMimeTypeObj::ExtOfMimeType(const std::string& MimeType, std::string& Ext)
{
    if (!FMimeToExt)
        LoadMimeToExt();
    Ext = FMimeToExt->ValueOf(MimeType);
}

TMimeTypeObj& MimeTypes()
{
    static TMimeTypeObj Instance;
    return Instance;
}
