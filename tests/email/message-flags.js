#!/usr/bin/env node
// Prints the read and has-attachment flags of every message of a PST as the npm reader
// pst-extractor reads them: "folder path<TAB>subject<TAB>read<TAB>hasAttachments" (0 or 1).
// Usage: message-flags.js ORACLES_DIR FILE
'use strict';

const path = require('path');
const { PSTFile } = require(path.join(process.argv[2], 'node_modules', 'pst-extractor'));

function walk(folder, where) {
  if (folder.contentCount > 0) {
    for (let message = folder.getNextChild(); message; message = folder.getNextChild()) {
      const flags = [message.isRead ? 1 : 0, message.hasAttachments ? 1 : 0];
      process.stdout.write(`${where}\t${message.subject}\t${flags.join('\t')}\n`);
    }
  }
  if (folder.hasSubfolders) {
    for (const sub of folder.getSubFolders()) {
      walk(sub, where ? `${where}/${sub.displayName}` : sub.displayName);
    }
  }
}

const pst = new PSTFile(process.argv[3]);
const root = pst.getRootFolder();
const top = root.getSubFolders().find((f) => f.displayName === 'Top of Personal Folders') || root;
walk(top, '');
