// Windows-1251 for the tool's files. The editor applies a language's
// `files.encoding` only to files it opens after it knows the language: a file
// open at start-up, or a `.txt` recognised later, keeps the encoding it was
// decoded with. The check below decides what to do with such a document.

/** What the extension sees of a document. */
export interface DocumentFacts {
  languageId: string;
  encoding?: string; // from VS Code 1.100; undefined before
  isDirty: boolean;
  scheme: string;
}

/** reopen: decode the file again as Windows-1251; warn: it has unsaved edits;
 *  unknown: this VS Code cannot tell the encoding; none: nothing to do. */
export type Action = "none" | "reopen" | "warn" | "unknown";

export const LANGUAGES = ["zunt-script", "zunt-declarations"];
export const ENCODING = "windows1251";

/** The action for a document just opened or given its language. */
export function reopenAction(doc: DocumentFacts, canReopen: boolean): Action {
  if (!LANGUAGES.includes(doc.languageId) || doc.scheme !== "file") return "none";
  if (doc.encoding === undefined || !canReopen) return "unknown";
  if (doc.encoding === ENCODING) return "none";
  return doc.isDirty ? "warn" : "reopen";
}

// The characters of the bytes 0x80-0xFF in Windows-1251 (0x98 has none).
const HIGH =
  "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—\uFFFD™љ›њќћџ\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕї" +
  "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";

/** The text of Windows-1251 bytes. */
export function decodeWindows1251(bytes: Uint8Array): string {
  let text = "";
  for (const byte of bytes) text += byte < 0x80 ? String.fromCharCode(byte) : HIGH[byte - 0x80];
  return text;
}

/** True when a document's text is not its file's bytes read as Windows-1251
 *  (line ends aside): the editor decoded it in another encoding. */
export function decodedWrongly(fileBytes: Uint8Array, text: string): boolean {
  const lines = (s: string) => s.replace(/\r\n?/g, "\n");
  return lines(decodeWindows1251(fileBytes)) !== lines(text);
}

/** True when the version string is at least major.minor. */
export function versionAtLeast(version: string, major: number, minor: number): boolean {
  const m = /^(\d+)\.(\d+)/.exec(version);
  if (!m) return false;
  const [a, b] = [Number(m[1]), Number(m[2])];
  return a > major || (a === major && b >= minor);
}
