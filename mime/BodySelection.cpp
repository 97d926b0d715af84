// The walk over a MIME tree that picks the body parts and lists the attachments.
#include "mime/BodySelection.h"

#include <algorithm>
#include <string>

namespace mailferry::mime {

namespace {

constexpr int kRankNone = 0;
constexpr int kRankCalendar = 1;
constexpr int kRankPlain = 2;
constexpr int kRankEnriched = 3;
constexpr int kRankHtml = 4;

bool isAttachmentDisposition(GMimeObject* object) {
  GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
  return disposition != nullptr && g_mime_content_disposition_is_attachment(disposition);
}

int leafRank(GMimeObject* object) {
  if (!GMIME_IS_PART(object) || isAttachmentDisposition(object)) return kRankNone;
  if (isType(object, "text", "html")) return kRankHtml;
  if (isType(object, "text", "enriched")) return kRankEnriched;
  if (isType(object, "text", "plain")) return kRankPlain;
  if (isType(object, "text", "calendar")) return kRankCalendar;
  return kRankNone;
}

GMimeObject* relatedRoot(GMimeMultipart* related) {
  const int count = g_mime_multipart_get_count(related);
  if (count == 0) return nullptr;
  const char* start = g_mime_object_get_content_type_parameter(GMIME_OBJECT(related), "start");
  if (start != nullptr) {
    std::string id(start);
    if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
    for (int i = 0; i < count; ++i) {
      GMimeObject* child = g_mime_multipart_get_part(related, i);
      const char* cid = g_mime_object_get_content_id(child);
      if (cid != nullptr && id == cid) return child;
    }
  }
  return g_mime_multipart_get_part(related, 0);
}

// What a subtree offers as a body, for choosing among alternatives.
int rank(GMimeObject* object, int budget) {
  if (budget <= 0) return kRankNone;
  if (!GMIME_IS_MULTIPART(object)) return leafRank(object);
  auto* multipart = GMIME_MULTIPART(object);
  const int count = g_mime_multipart_get_count(multipart);
  if (count == 0) return kRankNone;
  if (isType(object, "multipart", "related")) return rank(relatedRoot(multipart), budget - 1);
  if (isType(object, "multipart", "alternative")) {
    int best = kRankNone;
    for (int i = 0; i < count; ++i) {
      best = std::max(best, rank(g_mime_multipart_get_part(multipart, i), budget - 1));
    }
    return best;
  }
  return rank(g_mime_multipart_get_part(multipart, 0), budget - 1);
}

class Planner {
 public:
  explicit Planner(int maxDepth) : maxDepth_(maxDepth) {}

  void walk(GMimeObject* object, int depth, bool bodyAllowed, bool inAggregate) {
    if (object == nullptr) return;
    if (depth > maxDepth_) {
      plan.depthCut = true;
      plan.cutParts.push_back(object);
      return;
    }
    if (GMIME_IS_MULTIPART(object)) {
      walkMultipart(GMIME_MULTIPART(object), depth, bodyAllowed);
    } else if (GMIME_IS_MESSAGE_PART(object)) {
      plan.attachments.push_back({object, inAggregate, depth});
    } else if (GMIME_IS_PART(object)) {
      if (bodyAllowed && !plan.body.any() && takeAsBody(GMIME_PART(object))) return;
      plan.attachments.push_back({object, inAggregate, depth});
    }
  }

  PartPlan plan;

 private:
  bool takeAsBody(GMimePart* part) {
    switch (leafRank(GMIME_OBJECT(part))) {
      case kRankHtml:
        plan.body.html = part;
        return true;
      case kRankEnriched:
        plan.body.enriched = part;
        return true;
      case kRankPlain:
        plan.body.text = part;
        return true;
      default:
        return false;
    }
  }

  void walkMultipart(GMimeMultipart* multipart, int depth, bool bodyAllowed) {
    GMimeObject* object = GMIME_OBJECT(multipart);
    const int count = g_mime_multipart_get_count(multipart);
    if (isType(object, "multipart", "alternative") && bodyAllowed && !plan.body.any()) {
      walkAlternative(multipart, depth);
      return;
    }
    if (isType(object, "multipart", "related")) {
      GMimeObject* root = relatedRoot(multipart);
      walk(root, depth + 1, bodyAllowed, true);
      for (int i = 0; i < count; ++i) {
        GMimeObject* child = g_mime_multipart_get_part(multipart, i);
        if (child != root) walk(child, depth + 1, false, true);
      }
      return;
    }
    const bool encrypted = GMIME_IS_MULTIPART_ENCRYPTED(object);
    for (int i = 0; i < count; ++i) {
      walk(g_mime_multipart_get_part(multipart, i), depth + 1, bodyAllowed && !encrypted, true);
    }
  }

  void walkAlternative(GMimeMultipart* alternative, int depth) {
    const int count = g_mime_multipart_get_count(alternative);
    int bestIndex = -1;
    int bestRank = kRankNone;
    for (int i = 0; i < count; ++i) {
      // The last of equal alternatives is the richest one (RFC 2046 5.1.4).
      const int r = rank(g_mime_multipart_get_part(alternative, i), maxDepth_ - depth);
      if (r != kRankNone && r >= bestRank) {
        bestRank = r;
        bestIndex = i;
      }
    }
    if (bestIndex < 0) {
      for (int i = 0; i < count; ++i)
        walk(g_mime_multipart_get_part(alternative, i), depth + 1, true, true);
      return;
    }
    walk(g_mime_multipart_get_part(alternative, bestIndex), depth + 1, true, true);
    for (int i = 0; i < count; ++i) {
      if (i == bestIndex) continue;
      GMimeObject* other = g_mime_multipart_get_part(alternative, i);
      if (leafRank(other) == kRankPlain) {
        // The plain alternative stays as PidTagBody next to the HTML one.
        if (plan.body.text == nullptr &&
            (plan.body.html != nullptr || plan.body.enriched != nullptr))
          plan.body.text = GMIME_PART(other);
        continue;
      }
      if (GMIME_IS_PART(other) && leafRank(other) != kRankNone) continue;  // other renderings
      // A non-text alternative (say, a mixed tree) may carry files of its own: keep them.
      walk(other, depth + 1, false, true);
    }
  }

  int maxDepth_;
};

}  // namespace

bool isType(GMimeObject* object, const char* type, const char* subtype) {
  GMimeContentType* contentType = g_mime_object_get_content_type(object);
  return contentType != nullptr && g_mime_content_type_is_type(contentType, type, subtype);
}

PartPlan planParts(GMimeObject* root, int depth, int maxDepth) {
  Planner planner(maxDepth);
  planner.walk(root, depth, true, false);
  return std::move(planner.plan);
}

}  // namespace mailferry::mime
