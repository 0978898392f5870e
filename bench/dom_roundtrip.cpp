// Load + save of a 50 KB page through the host's document model, next to the gumbo parse alone
// on the same bytes. Usage: dom_roundtrip [page.html] [runs]
//
// Every run parses a text of its own: the run's number is written into the first comment of the
// page's body. The host keeps the parse of a text it sees a second time, so runs of one and the
// same text would measure a copy of that parse, not a parse.
#include <gumbo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/DOM.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/Element.h"
#include "platform/TextConv.h"

namespace {

std::string defaultPage()
{
    std::string here = __FILE__;
    return here.substr(0, here.rfind('/')) + "/../tests/data/pages/large.html";
}

// CPU time of this thread in milliseconds: the machine is shared, so wall time says little.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Median CPU milliseconds of runs calls of work.
double medianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double start = cpuMs();
        work();
        times.push_back(cpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Where the run number goes: the first five characters of the first comment after the body's
// start tag; npos when the page has no such comment.
template <class Text>
std::size_t numberPosition(const Text& text)
{
    using Char = typename Text::value_type;
    std::size_t body = std::string::npos;
    for (const char* tag : {"<body", "<BODY", "<Body"})
        body = std::min(body, text.find(Text(tag, tag + 5)));
    const Char open[] = {'<', '!', '-', '-', 0};
    const Char close[] = {'-', '-', '>', 0};
    const std::size_t comment = body == std::string::npos ? body : text.find(open, body);
    if (comment == std::string::npos || text.find(close, comment + 4) < comment + 4 + 5)
        return std::string::npos;
    return comment + 4;
}

// Writes run as five digits at position.
template <class Text>
void writeRunNumber(Text& text, std::size_t position, int run)
{
    for (int i = 4; i >= 0; --i, run /= 10)
        text[position + static_cast<std::size_t>(i)] = static_cast<typename Text::value_type>('0' + run % 10);
}

} // namespace

int main(int argc, char** argv)
{
    std::string path = argc > 1 ? argv[1] : defaultPage();
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 101;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string utf8 = bytes.str();
    std::wstring text = platform::fromUtf8(utf8);
    const std::size_t at8 = numberPosition(utf8);
    const std::size_t at = numberPosition(text);
    if (at8 == std::string::npos || at == std::wstring::npos) {
        std::fprintf(stderr, "%s has no comment of five characters or more in its body\n", path.c_str());
        return 1;
    }
    int run = 0;
    auto nextText = [&] { writeRunNumber(text, at, ++run); };
    auto nextUtf8 = [&] { writeRunNumber(utf8, at8, ++run); };
    DOM dom;

    std::wstring saved;
    bool same = true;
    double roundTrip = medianMs(runs, [&] {
        nextText();
        Document* doc = DOMImpl::createDocument(L"HTML");
        doc->createNodes(text.data(), text.size(), nullptr, true);
        saved = doc->getMarkup();
        dom.deleteDocument(doc);
        same = same && saved == text;
    });
    if (!same) {
        std::fprintf(stderr, "round trip differs from the page\n");
        return 1;
    }

    Document* doc = DOMImpl::createDocument(L"HTML");
    doc->createNodes(text.data(), text.size(), nullptr, true);
    double loadOnly = medianMs(runs, [&] {
        nextText();
        Document* d = DOMImpl::createDocument(L"HTML");
        d->createNodes(text.data(), text.size(), nullptr, true);
        dom.deleteDocument(d);
    });
    // An edited body makes the writer walk the tree instead of copying the page.
    doc->getBody()->setAttribute(L"class", L"edited");
    double saveEdited = medianMs(runs, [&] { saved = doc->getMarkup(); });
    dom.deleteDocument(doc);

    double gumboOnly = medianMs(runs, [&] {
        nextUtf8();
        GumboOutput* out = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
        gumbo_destroy_output(&kGumboDefaultOptions, out);
    });

    GumboOptions quiet = kGumboDefaultOptions;
    quiet.max_errors = 0; // as the document model parses
    double gumboQuiet = medianMs(runs, [&] {
        nextUtf8();
        GumboOutput* out = gumbo_parse_with_options(&quiet, utf8.data(), utf8.size());
        gumbo_destroy_output(&quiet, out);
    });

    std::printf("page: %s (%zu bytes, %zu characters), median CPU time of %d runs\n", path.c_str(), utf8.size(),
                text.size(), runs);
    std::printf("load + save (untouched)      %8.3f ms\n", roundTrip);
    std::printf("load only                    %8.3f ms\n", loadOnly);
    std::printf("save after an edit           %8.3f ms\n", saveEdited);
    std::printf("gumbo parse alone            %8.3f ms\n", gumboOnly);
    std::printf("gumbo parse, no error list   %8.3f ms\n", gumboQuiet);
    std::printf("load + save / gumbo parse    %8.2f\n", roundTrip / gumboOnly);
    return 0;
}
