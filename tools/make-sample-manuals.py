#!/usr/bin/python3
"""Writes the sample disc's PDF manuals into sample-disc/docs/<CODE>/<CODE>DOC.PDF.

Run with the system Python; it needs nothing beyond the standard library:
    /usr/bin/python3 tools/make-sample-manuals.py [output-docs-folder]

The PDFs are built by hand (PDF 1.4, the standard Helvetica fonts, a proper
xref table) so that the sample disc carries small, readable manuals of our own
and the output is the same on every run. Only some of the manuals listed in
autorun.inf are made, so the documentation window shows missing ones too.
"""

import os
import sys
import textwrap

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUT = os.path.join(ROOT, "sample-disc", "docs")

KIT = "VELMO Developers Kit v7.03"
NOTICE = "Sample manual for the demonstration disc. Fictional content; not a real product manual."

# code -> (title, subtitle, contents [(heading, page)], pages [[(kind, text)]])
MANUALS = {
    "ALL": (
        "File Descriptions",
        "All Volumes",
        [("1  About this manual", 1), ("2  How a file description is laid out", 1),
         ("3  Index of files, Volumes 1 to 3", 2), ("4  Field types and lengths", 2)],
        [
            [("h", "1  About this manual"),
             ("p", "This manual gathers the file descriptions of all three volumes in one place. "
                   "Each VELMO application keeps its data in keyed record files; a file description "
                   "names every field of a record, its type, its length and the key it belongs to."),
             ("h", "2  How a file description is laid out"),
             ("p", "A description starts with the file's short name, its purpose and its primary key. "
                   "The fields follow in record order. Fields marked K form part of a key, fields "
                   "marked R are required when a record is written, and fields marked C are computed "
                   "by the Basis run time and must not be set by programs.")],
            [("h", "3  Index of files, Volumes 1 to 3"),
             ("l", "CUSTMAST   Customer master ........................ Volume 1"),
             ("l", "ORDHEAD    Order header ........................... Volume 1"),
             ("l", "ORDLINE    Order lines ............................ Volume 1"),
             ("l", "INVHEAD    Invoice header ......................... Volume 2"),
             ("l", "LEDGER     General ledger postings ................ Volume 2"),
             ("l", "STOCKITM   Stock items ............................ Volume 3"),
             ("l", "WHLOC      Warehouse locations .................... Volume 3"),
             ("h", "4  Field types and lengths"),
             ("p", "A (alphanumeric, 1 to 255 characters), N (numeric, up to 15 digits with up to 6 "
                   "decimals), D (date, stored as YYYYMMDD) and L (logical, Y or N). Lengths are "
                   "given in characters as they are stored on disc.")],
        ],
    ),
    "VOL1": (
        "File Descriptions",
        "Volume 1: Customers and Orders",
        [("1  Introduction", 1), ("2  CUSTMAST - Customer master", 1),
         ("3  ORDHEAD - Order header", 2), ("4  ORDLINE - Order lines", 2)],
        [
            [("h", "1  Introduction"),
             ("p", "Volume 1 describes the files of the sales side of a VELMO application: who the "
                   "customers are and what they have ordered. Programs that read these files should "
                   "open them shared; only the order entry programs open ORDHEAD for update."),
             ("h", "2  CUSTMAST - Customer master"),
             ("p", "One record per customer, keyed on the customer number."),
             ("l", "CUSNO    N  8   K R   Customer number"),
             ("l", "CUSNAME  A  40    R   Name as printed on documents"),
             ("l", "CUSCRLIM N  11.2      Credit limit in the home currency"),
             ("l", "CUSOPEN  D  8     C   Date the account was opened")],
            [("h", "3  ORDHEAD - Order header"),
             ("p", "One record per order. The secondary key on customer number and order date lets "
                   "enquiry programs list a customer's orders newest first."),
             ("l", "ORDNO    N  8   K R   Order number"),
             ("l", "ORDCUS   N  8   K R   Customer number (see CUSTMAST)"),
             ("l", "ORDDATE  D  8   K R   Date the order was taken"),
             ("h", "4  ORDLINE - Order lines"),
             ("p", "One record per line of an order, keyed on order number and line number. The "
                   "line value is computed from quantity and price when the record is written.")],
        ],
    ),
    "VOL3": (
        "File Descriptions",
        "Volume 3: Stock and Warehouses",
        [("1  Introduction", 1), ("2  STOCKITM - Stock items", 1),
         ("3  WHLOC - Warehouse locations", 2), ("4  Stock movements", 2)],
        [
            [("h", "1  Introduction"),
             ("p", "Volume 3 covers the stock side of a VELMO application: the items a business "
                   "holds, where they are kept and how their quantities change. Quantities are "
                   "always held in the item's base unit."),
             ("h", "2  STOCKITM - Stock items"),
             ("l", "ITMNO    A  16  K R   Item code"),
             ("l", "ITMDESC  A  40    R   Description"),
             ("l", "ITMUNIT  A  4     R   Base unit, for example EA or KG"),
             ("l", "ITMQTY   N  13.3  C   Quantity on hand, all locations")],
            [("h", "3  WHLOC - Warehouse locations"),
             ("p", "One record per item and location, keyed on warehouse, location and item code. "
                   "A location may hold several items; an item may be held in several locations."),
             ("h", "4  Stock movements"),
             ("p", "Programs never change quantities directly. They post a movement through the "
                   "Basis routine STKMOVE, which updates WHLOC and STOCKITM together and writes an "
                   "audit record, so that the two files always agree.")],
        ],
    ),
    "STD": (
        "Development Standards",
        "Writing VELMO applications",
        [("1  Purpose", 1), ("2  Naming", 1), ("3  Source layout", 2), ("4  Reviews and releases", 2)],
        [
            [("h", "1  Purpose"),
             ("p", "These standards keep applications written by different teams alike, so that "
                   "anyone in the team can read, change and support any program. They apply to "
                   "all new Basis programs and to old programs whenever they are changed."),
             ("h", "2  Naming"),
             ("p", "Program names are eight characters: a two-letter application prefix, a "
                   "three-letter function and a three-digit number, for example SLENQ010. File and "
                   "field names follow the file descriptions and are never abbreviated further.")],
            [("h", "3  Source layout"),
             ("p", "Every program begins with a header comment giving its name, purpose and change "
                   "history. Declarations come first, then the main section, then the routines in "
                   "the order they are called. Indent by four spaces; do not use tabs."),
             ("h", "4  Reviews and releases"),
             ("p", "A second developer reviews every change before it is released. Releases are "
                   "built from the source library only, never from a developer's own copy, and "
                   "each release is recorded with the names of the programs it contains.")],
        ],
    ),
}


def escape(text):
    return text.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")


class Page:
    """Collects text-drawing operators for one US Letter page, top to bottom."""

    LEFT, TOP, WIDTH = 72, 720, 468

    def __init__(self):
        self.ops = []
        self.y = self.TOP

    def text(self, x, y, font, size, text):
        self.ops.append(f"BT /{font} {size} Tf {x} {y} Td ({escape(text)}) Tj ET")

    def rule(self, y, grey=0.6, width=0.75):
        self.ops.append(f"{grey} G {width} w {self.LEFT} {y} m {self.LEFT + self.WIDTH} {y} l S")

    def heading(self, text):
        self.y -= 14 if self.y == self.TOP else 22
        self.text(self.LEFT, self.y, "F2", 13, text)
        self.y -= 8

    def paragraph(self, text):
        # Helvetica at 10 pt averages about 5 pt a character: 88 fit the column.
        for line in textwrap.wrap(text, 88):
            self.y -= 13
            self.text(self.LEFT, self.y, "F1", 10, line)
        self.y -= 6

    def listing(self, text):
        # Field tables and indexes are in Courier so their columns line up.
        self.y -= 12
        self.text(self.LEFT + 18, self.y, "F3", 9, text)

    def footer(self, number):
        self.rule(60, 0.75, 0.5)
        self.text(self.LEFT, 46, "F1", 8, f"{KIT} - sample manual")
        self.text(self.LEFT + self.WIDTH - 30, 46, "F1", 8, f"Page {number}")

    def stream(self):
        return "\n".join(self.ops).encode("latin-1")


def build_pages(title, subtitle, contents, bodies):
    pages = []
    for number, body in enumerate(bodies, 1):
        page = Page()
        if number == 1:
            page.text(page.LEFT, page.y - 10, "F1", 11, KIT)
            page.y -= 44
            page.text(page.LEFT, page.y, "F2", 24, title)
            page.y -= 24
            page.text(page.LEFT, page.y, "F1", 15, subtitle)
            page.y -= 14
            page.rule(page.y, 0.2, 1.5)
            page.y -= 16
            page.text(page.LEFT, page.y, "F1", 8, NOTICE)
            page.y -= 14
            page.heading("Contents")
            for heading, at in contents:
                page.y -= 14
                page.text(page.LEFT + 18, page.y, "F1", 10, heading)
                page.text(page.LEFT + page.WIDTH - 20, page.y, "F1", 10, str(at))
            page.y -= 14
            page.rule(page.y)
            page.y -= 6
        for kind, text in body:
            {"h": page.heading, "p": page.paragraph, "l": page.listing}[kind](text)
        page.footer(number)
        pages.append(page.stream())
    return pages


def write_pdf(path, title, subtitle, contents, bodies):
    streams = build_pages(title, subtitle, contents, bodies)
    objects = []  # object n is objects[n - 1]

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    pages = add(None)
    fonts = {name: add(f"<< /Type /Font /Subtype /Type1 /BaseFont /{base} /Encoding /WinAnsiEncoding >>".encode())
             for name, base in (("F1", "Helvetica"), ("F2", "Helvetica-Bold"), ("F3", "Courier"))}
    font_dict = " ".join(f"/{name} {num} 0 R" for name, num in fonts.items())
    kids = []
    for data in streams:
        content = add(b"<< /Length %d >>\nstream\n" % len(data) + data + b"\nendstream")
        kids.append(add(f"<< /Type /Page /Parent {pages} 0 R /MediaBox [0 0 612 792] "
                        f"/Resources << /Font << {font_dict} >> >> /Contents {content} 0 R >>".encode()))
    objects[catalog - 1] = f"<< /Type /Catalog /Pages {pages} 0 R >>".encode()
    objects[pages - 1] = (f"<< /Type /Pages /Kids [{' '.join(f'{k} 0 R' for k in kids)}] "
                          f"/Count {len(kids)} >>").encode()
    info = add(f"<< /Title ({escape(f'{title} - {subtitle}')}) /Subject ({escape(KIT)}) "
               f"/Author (VELMO sample disc) /Producer (make-sample-manuals.py) >>".encode())

    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n" % (len(objects) + 1)
    out += b"0000000000 65535 f \n"
    for offset in offsets:
        out += b"%010d 00000 n \n" % offset
    out += b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\n" % (len(objects) + 1, catalog, info)
    out += b"startxref\n%d\n%%%%EOF\n" % xref
    with open(path, "wb") as f:
        f.write(out)
    return len(out)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT
    for code, (title, subtitle, contents, bodies) in MANUALS.items():
        folder = os.path.join(out, code)
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, f"{code}DOC.PDF")
        size = write_pdf(path, title, subtitle, contents, bodies)
        print(f"{os.path.relpath(path, out)}  {size} bytes, {len(bodies)} pages")


if __name__ == "__main__":
    main()
