"""Small hand-written PDFs for tests, with a correct cross-reference table."""


def stream(entries: str, data: bytes) -> bytes:
    return (f"<< {entries} /Length {len(data)} >>\nstream\n".encode() + data + b"\nendstream")


def build_pdf(objects, trailer: str = "/Root 1 0 R") -> bytes:
    out = bytearray(b"%PDF-1.7\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for i, body in enumerate(objects, start=1):
        if isinstance(body, str):
            body = body.encode()
        offsets.append(len(out))
        out += f"{i} 0 obj\n".encode() + body + b"\nendobj\n"
    xref = len(out)
    out += f"xref\n0 {len(objects) + 1}\n0000000000 65535 f \n".encode()
    for off in offsets:
        out += f"{off:010d} 00000 n \n".encode()
    out += f"trailer\n<< /Size {len(objects) + 1} {trailer} >>\nstartxref\n{xref}\n%%EOF\n".encode()
    return bytes(out)


def pages_pdf(page_entries, tree_entries: str = "") -> bytes:
    """A document whose pages (one per entry string) hang under one Pages node."""
    n = len(page_entries)
    kids = " ".join(f"{3 + i} 0 R" for i in range(n))
    objects = ["<< /Type /Catalog /Pages 2 0 R >>",
               f"<< /Type /Pages /Kids [{kids}] /Count {n} {tree_entries} >>"]
    content_id = 3 + n
    for entries in page_entries:
        objects.append(f"<< /Type /Page /Parent 2 0 R /Contents {content_id} 0 R {entries} >>")
    objects.append(stream("", b"q Q"))
    return build_pdf(objects)
