"""Shared shape of the reader dumps: every dump script builds items with these helpers so that
the three readers' JSON can be compared field by field (see README.md)."""

import argparse
import json
import re
import sys

# Fields of one item. null in a dump means "this reader cannot expose it"; "" means "empty or
# absent in the file".
ITEM_FIELDS = ["kind", "messageClass", "subject", "senderName", "senderAddress", "displayTo",
               "displayCc", "recipients", "body", "htmlBody", "attachments", "contact"]
LIGHT_FIELDS = ["kind", "messageClass", "subject", "senderName", "senderAddress", "contact"]
CONTACT_FIELDS = ["displayName", "fileAs", "givenName", "middleName", "surname",
                  "email1", "email2", "email3",
                  "businessPhone", "homePhone", "mobilePhone", "businessFax",
                  "businessStreet", "businessCity", "businessState", "businessPostalCode",
                  "businessCountry",
                  "homeStreet", "homeCity", "homeState", "homePostalCode", "homeCountry",
                  "company", "jobTitle", "webPage", "birthday"]


def kind_of(message_class):
    """The kind of item a message class stands for (readers that give no class infer it)."""
    c = (message_class or "").upper()
    if c.startswith("IPM.CONTACT"):
        return "contact"
    if c.startswith("IPM.DISTLIST"):
        return "distlist"
    if c.startswith("IPM.APPOINTMENT"):
        return "appointment"
    if c.startswith(("IPM.TASK", "IPM.STICKYNOTE", "IPM.ACTIVITY")) or not c.startswith(("IPM", "REPORT")):
        return "other"
    return "mail"


def text(value):
    """Normalised text: line ends as \\n, no trailing blanks on lines, no blank lines at either
    end. Readers differ only in these."""
    if value is None:
        return None
    if isinstance(value, bytes):
        value = value.decode("utf-8", errors="replace")
    value = value.replace("\r\n", "\n").replace("\r", "\n").replace("\x00", "")
    value = "\n".join(line.rstrip() for line in value.split("\n"))
    return value.strip("\n ")


def html_text(value):
    """An HTML body compared as text: decoded, line ends normalised."""
    return text(value)


def subject(value):
    """Stored subjects may start with a two-character prefix marker (U+0001, length code)."""
    value = text(value)
    if value and len(value) >= 2 and value[0] == "\x01":
        value = value[2:]
    return value


def contact(**fields):
    out = {}
    for name in CONTACT_FIELDS:
        v = fields.get(name)
        out[name] = text(v) if isinstance(v, (str, bytes)) else v
    return out


def item(**fields):
    out = {}
    for name in ITEM_FIELDS:
        out[name] = fields.get(name)
    if out["kind"] is None:
        out["kind"] = kind_of(out["messageClass"])
    for name in ("messageClass", "senderName", "senderAddress", "displayTo", "displayCc", "body"):
        if isinstance(out[name], (str, bytes)):
            out[name] = text(out[name])
    if isinstance(out["subject"], (str, bytes)):
        out["subject"] = subject(out["subject"])
    if isinstance(out["htmlBody"], (str, bytes)):
        out["htmlBody"] = html_text(out["htmlBody"])
    if out["recipients"] is not None:
        out["recipients"] = sorted(out["recipients"],
                                   key=lambda r: (r.get("type") or "", (r.get("address") or "").lower(),
                                                  r.get("name") or ""))
    if out["attachments"] is not None:
        out["attachments"] = sorted(out["attachments"],
                                    key=lambda a: (a.get("filename") or "", a.get("size") or 0))
    return out


def sort_key(it):
    """Items in a folder are listed in this order, computed only from fields every reader gives
    for the kind, so that the dumps line up item by item."""
    c = it.get("contact") or {}
    if it["kind"] == "contact":
        return (it["kind"], (c.get("surname") or "").lower(), (c.get("givenName") or "").lower(),
                (c.get("email1") or "").lower())
    return (it["kind"], (it.get("subject") or "").lower(), (it.get("senderAddress") or "").lower())


def lighten(it):
    """An item reduced to the fields that are cheap for every reader (counts mode)."""
    return {k: it.get(k) for k in LIGHT_FIELDS}


def folder(path, entries, detail="full", sample=0):
    """A folder's listing from (light item, loader) pairs: loader() gives the full item. Only
    the items chosen for detail are loaded, which keeps big stores fast."""
    entries = sorted(entries, key=lambda e: sort_key(e[0]))
    if detail == "counts":
        chosen = set()
    elif sample and len(entries) > sample:
        step = len(entries) / sample
        chosen = {int(i * step) for i in range(sample)}
    else:
        chosen = set(range(len(entries)))
    items = [load() if i in chosen else lighten(light) for i, (light, load) in enumerate(entries)]
    return {"path": path, "itemCount": len(items), "items": items}


def parse_args(description):
    p = argparse.ArgumentParser(description=description)
    p.add_argument("file")
    p.add_argument("--counts", action="store_true",
                   help="only the kind, class, subject, sender and contact names of each item")
    p.add_argument("--sample", type=int, default=0,
                   help="full detail for about N items per folder, the rest as with --counts")
    return p.parse_args()


def want_detail(args):
    return "counts" if args.counts else "full"


def emit(reader, store_name, folders, kinds=None, partial_folders=False, warnings=None):
    doc = {
        "reader": reader,
        "storeName": text(store_name) if store_name is not None else None,
        "partialFolders": partial_folders,
        "kinds": kinds,
        "warnings": warnings or [],
        "folders": sorted(folders, key=lambda f: f["path"].lower()),
    }
    json.dump(doc, sys.stdout, ensure_ascii=False, indent=1, sort_keys=False)
    sys.stdout.write("\n")


def is_light(it):
    return "body" not in it


_SPACES = re.compile(r"\s+")


def squash(value):
    """Whitespace-insensitive form, for the fields whose layout readers rewrap."""
    return _SPACES.sub(" ", value).strip() if isinstance(value, str) else value


def normalise_main(argv):
    """Reads a reader's raw listing ({"storeName", "folders": [{"path", "items"}]}) from stdin
    and prints it in the common shape: for readers that are not written in Python."""
    p = argparse.ArgumentParser()
    p.add_argument("reader")
    p.add_argument("--counts", action="store_true")
    p.add_argument("--sample", type=int, default=0)
    args = p.parse_args(argv)
    raw = json.load(sys.stdin)
    folders = []
    for f in raw["folders"]:
        entries = []
        for it in f["items"]:
            full = item(**it)
            entries.append((lighten(full), lambda full=full: full))
        folders.append(folder(f["path"], entries, want_detail(args), args.sample))
    emit(args.reader, raw.get("storeName"), folders)


if __name__ == "__main__" and len(sys.argv) > 1 and sys.argv[1] == "normalise":
    normalise_main(sys.argv[2:])
