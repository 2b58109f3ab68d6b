#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes the received mails of tst_realmails from one armoured block, with the tools that
make such mails in real life: Python's email package writes the message sources (its MIME
encoders choose the soft line breaks), w3m and html2text render HTML layouts to text, and
paste(1) sets two columns side by side.

    tests/data/mails/make_mails.py          (run from anywhere; rewrites the mails here)

block.txt is the armoured block the program wrote for the message in message.txt under the
key in key.txt (CR LF line breaks, no line break at the end).
"""
import email.policy
import html
import os
import subprocess
from email.message import EmailMessage
from email.mime.application import MIMEApplication

HERE = os.path.dirname(os.path.abspath(__file__))


def read(name):
    with open(os.path.join(HERE, name), encoding="ascii", newline="") as f:
        return f.read()


def write(name, data):
    mode = "wb" if isinstance(data, bytes) else "w"
    kwargs = {} if isinstance(data, bytes) else {"encoding": "utf-8", "newline": ""}
    with open(os.path.join(HERE, name), mode, **kwargs) as f:
        f.write(data)


BLOCK = read("block.txt").split("\r\n")
GREETING = ["Hallo Bob,", "", "hier die Zahlen für das dritte Quartal, wie am Telefon besprochen.", ""]
SIGNATURE = ["", "Viele Grüße", "Alice", "", "-- ", "Alice Example · Example GmbH · Tel. +49 30 1234567"]
PLAIN = "\n".join(GREETING + BLOCK + SIGNATURE) + "\n"


def headers(msg, subject):
    msg["From"] = "Alice Example <alice@example.org>"
    msg["To"] = "Bob Example <bob@example.net>"
    msg["Subject"] = subject
    msg["Date"] = "Thu, 10 Dec 2026 09:30:00 +0100"
    msg["Message-ID"] = "<%s@example.org>" % subject.replace(" ", "-").lower()


def composer_html():
    """One line of HTML, as web mailers and composers write it: a <div> for every line and
    a monospace style on the block's lines."""
    out = ['<html><head><meta http-equiv="Content-Type" content="text/html; charset=UTF-8">'
           '</head><body><div dir="ltr">']
    for line in GREETING:
        out.append("<div>%s</div>" % (html.escape(line) if line else "<br>"))
    for line in BLOCK:
        out.append('<div style="font-family:monospace,monospace;font-size:small">%s</div>' % line)
    for line in SIGNATURE:
        out.append("<div>%s</div>" % (html.escape(line) if line else "<br>"))
    out.append("</div></body></html>")
    return "".join(out) + "\n"


def source(msg):
    return msg.as_bytes(policy=email.policy.SMTP)


def html_only_quoted_printable(split_marker):
    """With split_marker, the greeting gets as many characters as it takes for a soft line
    break to fall inside the Begin marker."""
    for extra in range(100):
        msg = EmailMessage()
        headers(msg, "Zahlen Q3 html")
        body = composer_html().replace("Hallo Bob,", "Hallo Bob," + "!" * extra, 1)
        msg.set_content(body, subtype="html", charset="utf-8", cte="quoted-printable")
        data = source(msg)
        if (b"TessamailMessageBegin" in data) != split_marker:
            return data
    raise SystemExit("no soft line break fell where it was wanted")


def alternative():
    msg = EmailMessage()
    headers(msg, "Zahlen Q3 alternative")
    msg.set_content(PLAIN, charset="utf-8", cte="base64")
    msg.add_alternative(composer_html(), subtype="html", charset="utf-8", cte="quoted-printable")
    return source(msg)


def base64_text():
    msg = EmailMessage()
    headers(msg, "Zahlen Q3 base64")
    msg.set_content(PLAIN, charset="utf-8", cte="base64")
    return source(msg)


def utf16_text():
    msg = EmailMessage()
    headers(msg, "Zahlen Q3 utf-16")
    msg.set_content(PLAIN.encode("utf-16"), maintype="text", subtype="plain", cte="base64",
                    params={"charset": "utf-16"})
    return source(msg)


def forwarded():
    inner = EmailMessage()
    headers(inner, "Zahlen Q3 inner")
    inner.set_content(PLAIN, charset="utf-8", cte="base64")
    msg = EmailMessage()
    headers(msg, "Fwd Zahlen Q3")
    msg.set_content("Bob,\n\nsiehe die weitergeleitete Nachricht.\n\nCarol\n")
    msg.add_attachment(inner)
    return source(msg)


def div_per_line():
    body = composer_html()
    # Composers write "=" of the checksum line as it stands; a copy through a web page's
    # code view may keep it as an entity.
    return body.replace(">=", ">&#61;").replace("</div>", "</div>\n")


def run(args, stdin):
    return subprocess.run(args, input=stdin, capture_output=True, check=True).stdout


def block_html():
    return "<br>\n".join(BLOCK)


def beside_details_w3m():
    page = ("<html><body><table><tr><td valign=top><tt>%s</tt></td>"
            "<td valign=top>Von: Alice Example<br>An: Bob Example<br>Datum: 10.12.2026<br>"
            "Betreff: Zahlen Q3<br>Schlüssel: wie üblich</td></tr></table></body></html>"
            % block_html())
    return run(["w3m", "-dump", "-T", "text/html", "-cols", "140", "-O", "UTF-8", "-I", "UTF-8"],
               page.encode())


def beside_logo_w3m():
    logo = "<br>".join(["+--------+", "| EXAMPLE|", "|  GmbH  |", "+--------+",
                        "Postfach 12", "10115 Berlin"])
    page = ("<html><body><table><tr><td valign=top>%s</td><td valign=top><tt>%s</tt></td>"
            "</tr></table></body></html>" % (logo, block_html()))
    return run(["w3m", "-dump", "-T", "text/html", "-cols", "140", "-O", "UTF-8", "-I", "UTF-8"],
               page.encode())


def beside_details_html2text():
    page = ("<html><body><table><tr><td>%s</td><td>Von: Alice<br>An: Bob<br>Betreff: Q3</td>"
            "</tr></table></body></html>" % block_html())
    return run(["html2text", "-width", "140", "-utf8"], page.encode())


def single_space_paste():
    details = ["Von: Alice Example", "An: Bob Example", "Datum: 10.12.2026", "Betreff: Zahlen Q3",
               "Kennung: A7+Q3/2026", "Seite=1"]
    a = os.path.join(HERE, ".block.tmp")
    b = os.path.join(HERE, ".details.tmp")
    with open(a, "w") as f:
        f.write("\n".join(BLOCK) + "\n")
    with open(b, "w") as f:
        f.write("\n".join(details) + "\n")
    try:
        return run(["paste", "-d", " ", a, b], b"")
    finally:
        os.remove(a)
        os.remove(b)


def main():
    write("html_only_qp.eml", html_only_quoted_printable(False))
    write("html_only_qp_split_marker.eml", html_only_quoted_printable(True))
    write("alternative.eml", alternative())
    write("base64_text.eml", base64_text())
    write("utf16_base64.eml", utf16_text())
    write("forwarded.eml", forwarded())
    write("div_per_line.html", div_per_line())
    write("beside_details_w3m.txt", beside_details_w3m())
    write("beside_logo_w3m.txt", beside_logo_w3m())
    write("beside_details_html2text.txt", beside_details_html2text())
    write("single_space_paste.txt", single_space_paste())


if __name__ == "__main__":
    main()
