#include "brand/manifest_text.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace trellane {

namespace {

// Where a part's text lies in the manifest.
struct Span {
    size_t start = 0;
    size_t length = 0;
};

struct ManifestSpans {
    Span name;
    Span version;
    Span description;
};

bool overlap(const Span& a, const Span& b) {
    return a.start < b.start + b.length && b.start < a.start + a.length;
}

bool findAttribute(const std::string& manifest, size_t tagStart, size_t tagEnd,
                   const std::string& attribute, Span& span) {
    std::string opening = " " + attribute + "=\"";
    size_t at = manifest.find(opening, tagStart);
    if (at == std::string::npos || at >= tagEnd) return false;
    span.start = at + opening.size();
    size_t close = manifest.find('"', span.start);
    if (close == std::string::npos || close > tagEnd) return false;
    span.length = close - span.start;
    return true;
}

bool findSpans(const std::string& manifest, ManifestSpans& spans, std::string& problem) {
    size_t identity = manifest.find("<assemblyIdentity ");
    size_t dependency = manifest.find("<dependency");
    if (identity == std::string::npos || identity > dependency) {
        problem = "holds no assemblyIdentity element of its own";
        return false;
    }
    size_t tagEnd = manifest.find('>', identity);
    if (tagEnd == std::string::npos ||
        !findAttribute(manifest, identity, tagEnd, "name", spans.name) ||
        !findAttribute(manifest, identity, tagEnd, "version", spans.version)) {
        problem = "has no name and version on its assemblyIdentity element";
        return false;
    }
    const std::string opening = "<description>", closing = "</description>";
    size_t description = manifest.find(opening);
    size_t end =
        description == std::string::npos ? description : manifest.find(closing, description);
    if (end == std::string::npos || manifest.find(opening, description + 1) != std::string::npos) {
        problem = "has no single description element";
        return false;
    }
    spans.description.start = description + opening.size();
    spans.description.length = end - spans.description.start;
    // A description around the identity's attributes would have the rewrite replace text
    // twice and garble the manifest, which Windows then refuses to start.
    if (overlap(spans.description, spans.name) || overlap(spans.description, spans.version)) {
        problem = "has its description element around its assemblyIdentity element";
        return false;
    }
    return true;
}

std::string escapeText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped.push_back(c);
    }
    return escaped;
}

// The five predefined entities; character references stay as written.
std::string unescapeText(const std::string& text) {
    static const char* const kEntities[][2] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}};
    std::string plain;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& entity : kEntities) {
            std::string name = entity[0];
            if (text.compare(i, name.size(), name) != 0) continue;
            plain += entity[1];
            i += name.size();
            replaced = true;
            break;
        }
        if (!replaced) plain.push_back(text[i++]);
    }
    return plain;
}

std::string textOf(const std::string& manifest, const Span& span) {
    return manifest.substr(span.start, span.length);
}

}  // namespace

bool readManifestIdentity(const std::string& manifest, ManifestIdentity& identity,
                          std::string& problem) {
    ManifestSpans spans;
    if (!findSpans(manifest, spans, problem)) return false;
    identity.name = textOf(manifest, spans.name);
    identity.version = textOf(manifest, spans.version);
    identity.description = unescapeText(textOf(manifest, spans.description));
    return true;
}

bool rewriteManifestIdentity(const std::string& manifest, const ManifestIdentity& identity,
                             std::string& rewritten, std::string& problem) {
    ManifestSpans spans;
    if (!findSpans(manifest, spans, problem)) return false;
    std::pair<Span, std::string> parts[] = {
        {spans.name, identity.name},
        {spans.version, identity.version},
        {spans.description, escapeText(identity.description)},
    };
    // From the end backwards, so the earlier spans keep their offsets.
    std::sort(std::begin(parts), std::end(parts),
              [](const auto& a, const auto& b) { return a.first.start > b.first.start; });
    rewritten = manifest;
    for (const auto& part : parts)
        rewritten.replace(part.first.start, part.first.length, part.second);
    return true;
}

}  // namespace trellane
