// Text, HTML and enriched bodies with their charsets and code pages.
#include "mime/MessageBodies.h"

#include "mime/Charsets.h"
#include "mime/GMimeHandles.h"
#include "mime/HtmlText.h"
#include "mime/PartContent.h"
#include "pst/KnownTags.h"
#include "pst/Utf.h"

namespace mailferry::mime {

namespace tags = pst::tags;

namespace {

using pst::PropValue;

struct BodyText {
  std::string raw;       // transfer-decoded bytes, still in the part's charset
  ConvertedText text;    // as UTF-8
  std::string declared;  // the charset the part names (or its HTML meta names)
};

BodyText readBody(GMimePart* part, bool html, WrittenBodies& written, ImportReport& report) {
  BodyText body;
  PartBytes bytes = readPartContent(part, kMaxBodyBytes);
  if (bytes.truncated) {
    report.warnings.push_back("body longer than " + std::to_string(kMaxBodyBytes) +
                              " bytes: cut, and kept whole as an attachment");
    written.alsoAttach.push_back(part);
  }
  body.raw = std::move(bytes.bytes);
  body.declared = orEmpty(g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset"));
  if (body.declared.empty() && html) body.declared = htmlMetaCharset(body.raw);
  body.text = toUtf8(body.raw, body.declared);
  if (body.text.unknownCharset) {
    report.warnings.push_back("unknown charset \"" + body.declared + "\": body read as " +
                              body.text.charsetUsed);
  } else if (body.text.lossy) {
    report.contentLost.push_back("body holds bytes that are not " + body.text.charsetUsed +
                                 ": replaced by U+FFFD");
  }
  return body;
}

std::string enrichedToHtml(const std::string& utf8) {
  GObjectPtr<GMimeStream> memory(g_mime_stream_mem_new());
  GObjectPtr<GMimeStream> filtered(g_mime_stream_filter_new(memory.get()));
  GObjectPtr<GMimeFilter> filter(g_mime_filter_enriched_new(0));
  g_mime_stream_filter_add(GMIME_STREAM_FILTER(filtered.get()), filter.get());
  g_mime_stream_write(filtered.get(), utf8.data(), utf8.size());
  g_mime_stream_flush(filtered.get());
  GByteArray* array = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(memory.get()));
  return "<html><head><meta charset=\"utf-8\"></head><body>" +
         std::string(reinterpret_cast<const char*>(array->data), array->len) + "</body></html>";
}

}  // namespace

WrittenBodies writeBodies(const BodyParts& parts, pst::MessageSink& sink, ImportReport& report) {
  WrittenBodies written;
  int codePage = 0;

  if (parts.html != nullptr) {
    BodyText html = readBody(parts.html, true, written, report);
    const auto declaredPage =
        html.text.unknownCharset ? std::nullopt : codePageForCharset(html.text.charsetUsed);
    if (declaredPage) {
      // The bytes stay in their own charset, which the code page names.
      codePage = *declaredPage;
      sink.set(tags::kBodyHtml, PropValue::binary(html.raw));
    } else {
      codePage = 65001;
      sink.set(tags::kBodyHtml, PropValue::binary(html.text.utf8));
    }
    written.htmlUtf8 = std::move(html.text.utf8);
    written.html = true;
  } else if (parts.enriched != nullptr) {
    BodyText enriched = readBody(parts.enriched, false, written, report);
    written.htmlUtf8 = enrichedToHtml(enriched.text.utf8);
    sink.set(tags::kBodyHtml, PropValue::binary(written.htmlUtf8));
    codePage = 65001;
    written.html = true;
  }

  if (parts.text != nullptr) {
    BodyText text = readBody(parts.text, false, written, report);
    sink.set(tags::kBody, PropValue::utf8(text.text.utf8));
    if (codePage == 0) codePage = codePageForCharset(text.text.charsetUsed).value_or(65001);
    written.text = true;
  } else if (!written.htmlUtf8.empty()) {
    sink.set(tags::kBody, PropValue::utf8(htmlToText(written.htmlUtf8)));
    written.text = true;
  }

  if (codePage != 0) {
    sink.set(tags::kInternetCodepage, PropValue::int32(codePage));
    sink.set(tags::kMessageCodepage, PropValue::int32(windowsCodePageFor(codePage)));
    sink.set(tags::kNativeBody,
             PropValue::int32(written.html ? tags::kNativeBodyHtml : tags::kNativeBodyPlain));
  }
  return written;
}

}  // namespace mailferry::mime
