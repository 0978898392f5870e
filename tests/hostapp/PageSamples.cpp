#include "PageSamples.h"

namespace pagesamples {

std::wstring largePage(std::size_t size) {
    std::wstring page =
        L"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n<HTML>\n<HEAD>\n"
        L"<META http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">\n"
        L"<TITLE>大きなページ</TITLE>\n<SCRIPT language=\"JavaScript\">\n<!--\n"
        L"var s = \"<a href='x'>x</a>\";\n//-->\n</SCRIPT>\n</HEAD>\n<BODY BGCOLOR=#FFFFFF>\n";
    for (int row = 0; page.size() < size; ++row) {
        std::wstring n = std::to_wstring(row);
        page += L"<!-- row " + n + L" -->\n<TABLE BORDER=1 WIDTH=\"100%\">\n  <TR>\n    <TD ALIGN=center>"
                L"<A HREF=\"page" + n + L".html\">項目 " + n + L"</A>&nbsp;&copy;</TD>\n"
                L"    <TD><TABLE BORDER=0><TR><TD><FONT SIZE=2>日本語の説明文 &amp; text " + n +
                L"</FONT></TD></TR></TABLE></TD>\n  </TR>\n</TABLE>\n"
                L"<P CLASS=note>段落 " + n + L"<BR>\n次の行\n";
        if (row % 10 == 0)
            page += L"<FORM ACTION=\"/cgi/" + n + L"\" METHOD=POST><INPUT TYPE=text NAME=q" + n +
                    L"><INPUT TYPE=submit VALUE=\"送信\"></FORM>\n";
    }
    page += L"</BODY>\n</HTML>\n";
    return page;
}

} // namespace pagesamples
