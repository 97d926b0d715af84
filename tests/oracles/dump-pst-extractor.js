#!/usr/bin/env node
// A PST as the npm reader pst-extractor sees it, in the common JSON shape of the reader dumps
// (README.md). Usage: dump-pst-extractor.js FILE [--counts] [--sample N]
'use strict';

const path = require('path');
const crypto = require('crypto');
const { spawnSync } = require('child_process');
const { PSTFile } = require(path.join(__dirname, 'node_modules', 'pst-extractor'));

const args = process.argv.slice(2);
const file = args.find((a) => !a.startsWith('--') && !/^\d+$/.test(a));
const counts = args.includes('--counts');
const sampleAt = args.indexOf('--sample');
const sample = sampleAt >= 0 ? parseInt(args[sampleAt + 1], 10) : 0;
if (!file) {
  process.stderr.write('usage: dump-pst-extractor.js FILE [--counts] [--sample N]\n');
  process.exit(2);
}

const str = (v) => (v === undefined || v === null ? '' : String(v));
const recipientType = (t) => ({ 1: 'to', 2: 'cc', 3: 'bcc' }[t] || String(t));
const day = (d) => (d instanceof Date && !isNaN(d) ? d.toISOString().slice(0, 10) : '');

function contactOf(c) {
  return {
    displayName: str(c.displayName), fileAs: str(c.fileUnder),
    givenName: str(c.givenName), middleName: str(c.middleName), surname: str(c.surname),
    email1: str(c.email1EmailAddress), email2: str(c.email2EmailAddress), email3: str(c.email3EmailAddress),
    businessPhone: str(c.businessTelephoneNumber), homePhone: str(c.homeTelephoneNumber),
    mobilePhone: str(c.mobileTelephoneNumber), businessFax: str(c.businessFaxNumber),
    businessStreet: str(c.workAddressStreet), businessCity: str(c.workAddressCity),
    businessState: str(c.workAddressState), businessPostalCode: str(c.workAddressPostalCode),
    businessCountry: str(c.workAddressCountry),
    homeStreet: str(c.homeAddressStreet), homeCity: str(c.homeAddressCity),
    homeState: str(c.homeAddressStateOrProvince), homePostalCode: str(c.homeAddressPostalCode),
    homeCountry: str(c.homeAddressCountry),
    company: str(c.companyName), jobTitle: str(c.title), webPage: str(c.businessHomePage),
    birthday: day(c.birthday),
  };
}

function attachmentOf(a) {
  if (a.attachMethod === 5) {  // embedded message: no file bytes to compare
    let embedded = null;
    try { embedded = a.embeddedPSTMessage; } catch (e) { embedded = null; }
    return { filename: str(a.longFilename || a.filename), size: null, sha256: null,
      embeddedSubject: embedded ? str(embedded.subject) : null };
  }
  const stream = a.fileInputStream;
  let data = Buffer.alloc(0);
  if (stream) {
    data = Buffer.alloc(stream.length.toNumber ? stream.length.toNumber() : Number(stream.length));
    stream.readCompletely(data);
  }
  return { filename: str(a.longFilename || a.filename), size: data.length,
    sha256: crypto.createHash('sha256').update(data).digest('hex'), embeddedSubject: null };
}

function light(m) {
  const item = { messageClass: str(m.messageClass), subject: str(m.subject),
    senderName: str(m.senderName), senderAddress: str(m.senderEmailAddress), contact: null };
  if (m.constructor.name === 'PSTContact') item.contact = contactOf(m);
  return item;
}

function full(m) {
  const item = light(m);
  item.displayTo = str(m.displayTo);
  item.displayCc = str(m.displayCC);
  item.recipients = [];
  for (let i = 0; i < m.numberOfRecipients; i++) {
    const r = m.getRecipient(i);
    if (r) item.recipients.push({ name: str(r.displayName), address: str(r.smtpAddress || r.emailAddress),
      type: recipientType(r.recipientType) });
  }
  item.body = str(m.body);
  item.htmlBody = str(m.bodyHTML);
  item.attachments = [];
  for (let i = 0; i < m.numberOfAttachments; i++) item.attachments.push(attachmentOf(m.getAttachment(i)));
  return item;
}

function walk(folder, folderPath, out) {
  const items = [];
  if (folder.contentCount > 0) {
    let m = folder.getNextChild();
    while (m) {
      items.push(counts ? light(m) : full(m));
      m = folder.getNextChild();
    }
  }
  out.push({ path: folderPath, items });
  if (folder.hasSubfolders) {
    for (const sub of folder.getSubFolders()) walk(sub, folderPath ? `${folderPath}/${sub.displayName}` : sub.displayName, out);
  }
}

const pst = new PSTFile(path.resolve(file));
const store = pst.getMessageStore();
const root = pst.getRootFolder();
// The IPM subtree, named by the store's PidTagIpmSubTreeEntryId (its last 4 bytes are the NID).
const ipmEntry = store.pstTableItems && store.pstTableItems.get(0x35e0);
const ipmNid = ipmEntry && ipmEntry.data.length >= 24 ? ipmEntry.data.readUInt32LE(20) : null;
const folders = [];
for (const top of root.getSubFolders()) {
  if (Number(top.descriptorNodeId) === ipmNid) {
    for (const sub of top.getSubFolders()) walk(sub, sub.displayName, folders);
  }
}

// The common module normalises and sorts, so that every dump has exactly the same shape.
const normaliser = spawnSync('/usr/bin/python3', [path.join(__dirname, 'oracle_common.py'), 'normalise',
  'pst-extractor', ...(counts ? ['--counts'] : []), ...(sample ? ['--sample', String(sample)] : [])],
{ input: JSON.stringify({ storeName: str(store.displayName), folders }), maxBuffer: 1 << 30 });
process.stderr.write(normaliser.stderr);
// exitCode rather than exit(): exit() drops what a piped stdout has not flushed yet (dumps
// over 64 KB were cut short).
process.stdout.write(normaliser.stdout);
process.exitCode = normaliser.status === null ? 1 : normaliser.status;
