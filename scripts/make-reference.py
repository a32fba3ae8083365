#!/usr/bin/env python3
"""Writes the HTML 4.01 and CSS 2.1 reference pages under data/reference from the tables below.

The pages are committed beside this script; run it again after changing a table:
    python3 scripts/make-reference.py
Every page is HTML 4.01 Strict in UTF-8, shares ../ref.css and links back to its index.
"""

import html
import pathlib

ROOT = pathlib.Path(__file__).resolve().parent.parent / "data" / "reference"

# ---------------------------------------------------------------------------------------------
# HTML 4.01
# ---------------------------------------------------------------------------------------------

# Where an element or attribute may be used. Deprecated ones are only in the transitional and
# frameset document types; a few (frames, target) are there without being deprecated.
STATUS = {
    "S": "All document types (strict, transitional, frameset)",
    "D": "Deprecated: transitional and frameset only",
    "L": "Transitional and frameset only (not deprecated)",
    "F": "Frameset only",
}
ATTR_FLAGS = {"R": "required", "D": "deprecated", "L": "transitional and frameset only"}

# Attributes that several elements share with the same meaning; an element's list names them
# by key and gives its own tuple (name, values, meaning, flags) for everything else.
SHARED = {
    "accesskey": ("accesskey", "one character", "Key that moves the focus to (or activates) the element together with the platform's access modifier.", ""),
    "tabindex": ("tabindex", "number 0 to 32767", "Position in the keyboard tabbing order; lower numbers come first, 0 and missing values come last in document order.", ""),
    "onfocus": ("onfocus", "script", "Runs when the element receives the focus.", ""),
    "onblur": ("onblur", "script", "Runs when the element loses the focus.", ""),
    "onchange": ("onchange", "script", "Runs when the control loses the focus after its value was changed.", ""),
    "onselect": ("onselect", "script", "Runs when the user selects some of the control's text.", ""),
    "disabled": ("disabled", "disabled", "The control cannot receive the focus, is skipped in tabbing and is not submitted.", ""),
    "readonly": ("readonly", "readonly", "The user cannot change the value, but the control can take the focus and is submitted.", ""),
    "cite": ("cite", "URI", "Address of the source document or of a text explaining the change.", ""),
    "charset": ("charset", "character encoding", "Character encoding of the linked resource, such as UTF-8.", ""),
    "hreflang": ("hreflang", "language code", "Language of the linked resource; only meaningful with href.", ""),
    "ctype": ("type", "content type", "Content type of the linked resource, an advisory hint such as text/css.", ""),
    "rel": ("rel", "link types", "Relation of the linked resource to this document, e.g. stylesheet, next, help; space-separated.", ""),
    "rev": ("rev", "link types", "Reverse relation: what this document is to the linked one.", ""),
    "target": ("target", "frame name, _blank, _self, _parent, _top", "Frame or window in which the linked resource is shown.", "L"),
    "shape": ("shape", "rect | circle | poly | default", "Shape of a region of an image map. Default: rect.", ""),
    "coords": ("coords", "list of lengths", "Position of the shape: rect left,top,right,bottom; circle x,y,radius; poly x1,y1,x2,y2,...", ""),
    "usemap": ("usemap", "URI", "Client-side image map (a MAP element) to use with this image.", ""),
    "ismap": ("ismap", "ismap", "Server-side image map: the click position is sent to the server with the link.", ""),
    "width": ("width", "length (pixels or %)", "Width the user agent should give the element.", ""),
    "height": ("height", "length (pixels or %)", "Height the user agent should give the element.", ""),
    "name-control": ("name", "text", "Control name; the value is submitted as name=value.", ""),
    "longdesc": ("longdesc", "URI", "Link to a long description that supplements a short title or alt text.", ""),
    "halign-block": ("align", "left | center | right | justify", "Horizontal alignment of the contents; use text-align in a style sheet instead.", "D"),
    "ialign": ("align", "top | middle | bottom | left | right", "Vertical alignment with the surrounding text, or floating to the left or right margin; use vertical-align or float instead.", "D"),
    "border-img": ("border", "pixels", "Width of the border drawn around the object when it is a link; use the border properties instead.", "D"),
    "hspace": ("hspace", "pixels", "Space left and right of the object; use margin instead.", "D"),
    "vspace": ("vspace", "pixels", "Space above and below the object; use margin instead.", "D"),
    "cellalign": ("align", "left | center | right | justify | char", "Horizontal alignment of cell contents; char aligns on the character given by char.", ""),
    "char": ("char", "one character", "Alignment character for align=char; the default is the decimal point of the language.", ""),
    "charoff": ("charoff", "length", "Offset of the first alignment character on each line.", ""),
    "valign": ("valign", "top | middle | bottom | baseline", "Vertical alignment of cell contents.", ""),
    "bgcolor": ("bgcolor", "colour", "Background colour; use background-color instead.", "D"),
    "compact": ("compact", "compact", "Asks for a more compact rendering of the list.", "D"),
    "frameborder": ("frameborder", "1 | 0", "Whether a border is drawn around the frame. Default: 1.", ""),
    "marginwidth": ("marginwidth", "pixels", "Space between the frame's left and right edges and its contents.", ""),
    "marginheight": ("marginheight", "pixels", "Space between the frame's top and bottom edges and its contents.", ""),
    "scrolling": ("scrolling", "yes | no | auto", "Whether the frame shows scroll bars. Default: auto.", ""),
    "src-frame": ("src", "URI", "Address of the document first shown in the frame.", ""),
    "name-frame": ("name", "text", "Name of the frame, usable as the target of links.", ""),
    "datetime": ("datetime", "date and time (YYYY-MM-DDThh:mm:ssTZD)", "When the change was made.", ""),
}

# The attribute groups of the shared attributes page, in the order they are listed.
COMMON_GROUPS = {
    "core": ("coreattrs", "core attributes"),
    "i18n": ("i18n", "language attributes"),
    "events": ("events", "intrinsic events"),
}
ATTRS = ["core", "i18n", "events"]


def page(file, title, elems, purpose, content, attrs, common, example, notes=""):
    return dict(file=file, title=title, elems=elems, purpose=purpose, content=content,
                attrs=attrs, common=common, example=example, notes=notes)


R, O, F = "required", "optional", "forbidden (empty element)"

HTML_PAGES = [
    # Document and head ---------------------------------------------------------------------
    page("html.html", "HTML: the document root", [("html", O, O, "S")],
         "The outermost element of every document. It holds one HEAD followed by a BODY (or a FRAMESET in a frameset document). Both tags may be left out, but writing them makes the structure plain and gives a place for lang.",
         "HEAD, then BODY (FRAMESET in frameset documents).",
         [("version", "URI", "Names the DTD of the document; the DOCTYPE declaration does this job.", "D")],
         ["i18n"],
         '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN"\n  "http://www.w3.org/TR/html4/strict.dtd">\n<html lang="en">\n<head><title>Hello</title></head>\n<body><p>Hello, world.</p></body>\n</html>'),
    page("head.html", "HEAD: document head", [("head", O, O, "S")],
         "Information about the document that is not part of its content: the title, style sheets, scripts, links and metadata. Exactly one TITLE is required inside it.",
         "TITLE (required, once), optional BASE (once), and any number of SCRIPT, STYLE, META, LINK and OBJECT.",
         [("profile", "URIs", "Space-separated addresses of metadata profiles that explain the META names used.", "")],
         ["i18n"],
         '<head>\n  <title>Annual report</title>\n  <meta name="author" content="R. Ames">\n  <link rel="stylesheet" type="text/css" href="report.css">\n</head>'),
    page("title.html", "TITLE: document title", [("title", R, R, "S")],
         "The document's name, shown in the window caption, in bookmarks and in search results. Every document needs exactly one. It holds plain text only; character references are allowed, tags are not.",
         "Text only.",
         [], ["i18n"],
         "<title>Opening hours of the town library</title>"),
    page("base.html", "BASE: base address", [("base", R, F, "S")],
         "Sets the address against which every relative URI in the document is resolved, in place of the document's own address. It must come in the HEAD before anything that uses a relative URI.",
         "None (empty).",
         [("href", "URI", "Absolute base address for relative URIs. Required in the strict type; in the others it may be left out when target is given.", ""),
          "target"],
         [],
         '<head>\n  <title>Archive</title>\n  <base href="http://www.example.org/archive/">\n</head>',
         "In the transitional and frameset types target can also set the default frame for all links."),
    page("meta.html", "META: document metadata", [("meta", R, F, "S")],
         "A name and value pair describing the document, such as its author or keywords, or a value that stands in for an HTTP response header (http-equiv).",
         "None (empty).",
         [("name", "text", "Name of the property, e.g. author, keywords, description.", ""),
          ("http-equiv", "header name", "Used instead of name: the value acts like an HTTP header of that name, e.g. Content-Type or Refresh.", ""),
          ("content", "text", "The value of the property.", "R"),
          ("scheme", "text", "How to interpret the value, e.g. a date format or ISBN.", "")],
         ["i18n"],
         '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">\n<meta name="keywords" content="gardening, roses, pruning">'),
    page("link.html", "LINK: document relationship", [("link", R, F, "S")],
         "Relates the whole document to another resource: a style sheet, an alternative version, the next page of a series. It gives no visible link in the content; browsers use some relations themselves.",
         "None (empty). Only allowed in HEAD.",
         ["charset", ("href", "URI", "Address of the linked resource.", ""), "hreflang", "ctype", "rel", "rev",
          ("media", "media descriptors", "Media the resource is meant for, e.g. screen, print, all. Default: screen.", ""),
          "target"],
         ATTRS,
         '<link rel="stylesheet" type="text/css" href="print.css" media="print">\n<link rel="next" href="chapter3.html">'),
    page("style.html", "STYLE: embedded style sheet", [("style", R, R, "S")],
         "Holds style rules for the document. It belongs in HEAD; any number may be given. The content is not shown.",
         "Style sheet text.",
         [("type", "content type", "Language of the style sheet, normally text/css.", "R"),
          ("media", "media descriptors", "Media the rules are meant for. Default: screen.", ""),
          ("title", "text", "Name of the style sheet, which lets the user choose between alternative ones.", "")],
         ["i18n"],
         '<style type="text/css">\n  body { font-family: serif; }\n  h1 { color: #336; }\n</style>'),
    page("script.html", "SCRIPT: script", [("script", R, R, "S")],
         "Embeds a script or refers to an external one. It may appear in HEAD or in BODY; browsers run it as the document loads.",
         "Script text.",
         [("type", "content type", "Scripting language, e.g. text/javascript.", "R"),
          ("src", "URI", "Address of an external script; the content is then ignored.", ""),
          "charset",
          ("defer", "defer", "Hint that the script writes no content, so the page may render before it runs.", ""),
          ("language", "text", "Name of the scripting language; use type instead.", "D"),
          ("event", "text", "Reserved for future use.", ""),
          ("for", "text", "Reserved for future use.", "")],
         [],
         '<script type="text/javascript" src="menu.js"></script>\n<script type="text/javascript">\n  document.write("Hello");\n</script>'),
    page("noscript.html", "NOSCRIPT: alternative to a script", [("noscript", R, R, "S")],
         "Content shown only when scripts are not run, either because the browser cannot or because the user turned them off.",
         "Block-level elements (strict); block and inline content otherwise.",
         [], ATTRS,
         '<noscript>\n  <p>The calculator needs JavaScript.</p>\n</noscript>'),
    page("body.html", "BODY: document body", [("body", O, O, "S")],
         "The document's content. Both tags may be left out. In the strict type it may only hold block-level elements, SCRIPT, INS and DEL directly.",
         "Block-level elements, SCRIPT, INS, DEL (strict); also inline content (transitional).",
         [("onload", "script", "Runs when the document has finished loading.", ""),
          ("onunload", "script", "Runs when the document is removed from its window or frame.", ""),
          ("background", "URI", "Background image; use background-image instead.", "D"),
          ("text", "colour", "Text colour; use color instead.", "D"),
          ("link", "colour", "Colour of unvisited links; use a:link instead.", "D"),
          ("vlink", "colour", "Colour of visited links; use a:visited instead.", "D"),
          ("alink", "colour", "Colour of a link while it is activated; use a:active instead.", "D"),
          "bgcolor"],
         ATTRS,
         '<body onload="init()">\n  <h1>Welcome</h1>\n  <p>Pick a topic on the left.</p>\n</body>'),
    # Headings and blocks --------------------------------------------------------------------
    page("headings.html", "H1 to H6: headings",
         [("h1", R, R, "S"), ("h2", R, R, "S"), ("h3", R, R, "S"), ("h4", R, R, "S"), ("h5", R, R, "S"), ("h6", R, R, "S")],
         "Six levels of section headings, H1 the most important. Use them for the structure of the document, not for their look: tools build outlines and tables of contents from them.",
         "Inline content.",
         ["halign-block"], ATTRS,
         "<h1>Birds of the coast</h1>\n<h2>Gulls</h2>\n<p>Gulls are ...</p>\n<h2>Terns</h2>"),
    page("p.html", "P: paragraph", [("p", R, O, "S")],
         "A paragraph of text. The end tag may be left out: the paragraph ends at the next block-level element. A P cannot contain block-level elements, not even another P.",
         "Inline content.",
         ["halign-block"], ATTRS,
         "<p>The ferry leaves at nine.</p>\n<p>Tickets are sold on board.</p>"),
    page("div.html", "DIV: generic block", [("div", R, R, "S")],
         "A block-level container with no meaning of its own. Together with class, id and style sheets it groups content for layout or scripting.",
         "Block-level and inline content.",
         ["halign-block"], ATTRS,
         '<div class="sidebar">\n  <h2>News</h2>\n  <p>The shop is closed on Monday.</p>\n</div>'),
    page("address.html", "ADDRESS: contact information", [("address", R, R, "S")],
         "Contact information for the document or a major part of it, typically at the start or end. It is not meant for postal addresses in general.",
         "Inline content; P is also allowed in the transitional type.",
         [], ATTRS,
         '<address>\n  Page kept by <a href="mailto:web@example.org">the web team</a>\n</address>'),
    page("blockquote.html", "BLOCKQUOTE: long quotation", [("blockquote", R, R, "S")],
         "A quotation long enough to form blocks of its own. Browsers usually indent it. Do not use it only for indenting; use margin.",
         "Block-level elements and SCRIPT (strict); also inline content (transitional).",
         ["cite"], ATTRS,
         '<blockquote cite="http://www.example.org/speech.html">\n  <p>We shall go on to the end.</p>\n</blockquote>'),
    page("pre.html", "PRE: preformatted text", [("pre", R, R, "S")],
         "Text whose spaces and line breaks are kept as written, usually shown in a fixed-width font. Useful for program code and plain-text tables.",
         "Inline content except IMG, OBJECT, BIG, SMALL, SUB and SUP (and APPLET, FONT, BASEFONT in the transitional type).",
         [("width", "number", "Preferred width in characters.", "D")],
         ATTRS,
         "<pre>\nint main() {\n    return 0;\n}\n</pre>"),
    page("hr.html", "HR: horizontal rule", [("hr", R, F, "S")],
         "A horizontal line separating sections of content.",
         "None (empty).",
         [("align", "left | center | right", "Horizontal position of the rule.", "D"),
          ("noshade", "noshade", "Draws a plain line instead of a sunken one.", "D"),
          ("size", "pixels", "Thickness of the rule.", "D"),
          ("width", "length (pixels or %)", "Width of the rule.", "D")],
         ATTRS,
         "<p>End of part one.</p>\n<hr>\n<p>Part two.</p>"),
    page("center.html", "CENTER: centred block", [("center", R, R, "D")],
         'Centres its contents, like a DIV with align="center". Use text-align: center (or auto margins for blocks) in a style sheet instead.',
         "Block-level and inline content.",
         [], ATTRS,
         "<center>\n  <p>Closing times</p>\n</center>"),
    # Text level --------------------------------------------------------------------------------
    page("phrase.html", "Phrase elements: EM, STRONG, DFN, CODE, SAMP, KBD, VAR, CITE, ABBR, ACRONYM",
         [("em", R, R, "S"), ("strong", R, R, "S"), ("dfn", R, R, "S"), ("code", R, R, "S"), ("samp", R, R, "S"),
          ("kbd", R, R, "S"), ("var", R, R, "S"), ("cite", R, R, "S"), ("abbr", R, R, "S"), ("acronym", R, R, "S")],
         "Inline elements that say what a piece of text is, leaving the look to the browser and the style sheet. EM marks emphasis and STRONG stronger emphasis; DFN the term being defined; CODE a fragment of program code; SAMP sample output of a program; KBD text for the user to type; VAR a variable or program argument; CITE the title of a work or a reference to a source; ABBR an abbreviation and ACRONYM an acronym, with the expansion in title.",
         "Inline content.",
         [], ATTRS,
         '<p>Type <kbd>ls -l</kbd> and press Enter. <em>Do not</em> edit\nthe <abbr title="configuration">config</abbr> file by hand; see\n<cite>The Shell Handbook</cite>.</p>'),
    page("q.html", "Q: short quotation", [("q", R, R, "S")],
         "A short quotation within a line of text. The browser adds quotation marks suited to the language, so do not type them yourself.",
         "Inline content.",
         ["cite"], ATTRS,
         '<p>She said <q lang="en">the bridge is open again</q> this morning.</p>'),
    page("subsup.html", "SUB and SUP: subscript and superscript",
         [("sub", R, R, "S"), ("sup", R, R, "S")],
         "Lowered (SUB) and raised (SUP) text, for chemical formulae, exponents and the like, where the position carries meaning.",
         "Inline content.",
         [], ATTRS,
         "<p>Water is H<sub>2</sub>O; the area is r<sup>2</sup> times pi.</p>"),
    page("span.html", "SPAN: generic inline container", [("span", R, R, "S")],
         "An inline container with no meaning of its own, for applying class, id, lang or style to part of a line.",
         "Inline content.",
         [], ATTRS,
         '<p>Status: <span class="warning">overdue</span></p>'),
    page("bdo.html", "BDO: bidirectional override", [("bdo", R, R, "S")],
         "Turns off the bidirectional algorithm for its contents and sets the direction explicitly, for the rare text whose order the algorithm gets wrong.",
         "Inline content.",
         [("lang", "language code", "Language of the contents.", ""),
          ("dir", "ltr | rtl", "Direction in which the characters are laid out.", "R")],
         ["core"],
         '<p>Shown reversed: <bdo dir="rtl">abc</bdo></p>'),
    page("br.html", "BR: line break", [("br", R, F, "S")],
         "Ends the current line. Use it for line breaks that belong to the content, such as in poems or addresses, not for spacing.",
         "None (empty).",
         [("clear", "left | all | right | none", "Moves the next line below floating images on that side; use the clear property instead. Default: none.", "D")],
         ["core"],
         "<p>12 Harbour Street<br>\nPortsmouth</p>"),
    # Font style --------------------------------------------------------------------------------
    page("fontstyle.html", "Font style elements: TT, I, B, BIG, SMALL",
         [("tt", R, R, "S"), ("i", R, R, "S"), ("b", R, R, "S"), ("big", R, R, "S"), ("small", R, R, "S")],
         "Inline elements that only change the look of text: TT teletype or fixed-width, I italic, B bold, BIG larger and SMALL smaller. They are not deprecated, but a phrase element or a style sheet usually says more.",
         "Inline content.",
         [], ATTRS,
         "<p>The <i>Mary Rose</i> sank in 1545. <small>Picture: museum archive.</small></p>"),
    page("strike.html", "U, S and STRIKE: underlined and struck-out text",
         [("u", R, R, "D"), ("s", R, R, "D"), ("strike", R, R, "D")],
         "U underlines its text; S and STRIKE (the same thing) draw a line through it. Use text-decoration in a style sheet, or INS and DEL for changes to a document.",
         "Inline content.",
         [], ATTRS,
         "<p>Price: <strike>40</strike> 32 pounds</p>"),
    page("font.html", "FONT: font change", [("font", R, R, "D")],
         "Changes the size, colour or typeface of its text. Use the font and color properties of a style sheet instead.",
         "Inline content.",
         [("size", "1 to 7, or +n / -n", "Font size on a scale of 1 to 7, or relative to the base font size (BASEFONT, default 3).", ""),
          ("color", "colour", "Text colour.", ""),
          ("face", "font names", "Comma-separated list of typefaces in order of preference.", "")],
         ["core", "i18n"],
         '<p><font face="Arial, sans-serif" size="+1" color="#800000">Sale</font></p>'),
    page("basefont.html", "BASEFONT: base font", [("basefont", R, F, "D")],
         "Sets the base size (and colour and face) that FONT's relative sizes start from. Use a style sheet on BODY instead.",
         "None (empty).",
         [("id", "name", "Unique identifier of the element.", ""),
          ("size", "1 to 7", "Base font size.", "R"),
          ("color", "colour", "Text colour.", ""),
          ("face", "font names", "Comma-separated list of typefaces.", "")],
         [],
         '<basefont size="4" face="Georgia">'),
    page("insdel.html", "INS and DEL: inserted and deleted text",
         [("ins", R, R, "S"), ("del", R, R, "S")],
         "Mark text added to (INS) or removed from (DEL) a document since an earlier version. They may hold inline or block content and are themselves inline or block depending on where they are used.",
         "Block-level and inline content.",
         ["cite", "datetime"], ATTRS,
         '<p>The meeting is on <del datetime="2001-03-01T09:00:00Z">Tuesday</del>\n<ins datetime="2001-03-01T09:00:00Z">Thursday</ins>.</p>'),
    # Lists -------------------------------------------------------------------------------------
    page("ul.html", "UL: unordered list", [("ul", R, R, "S")],
         "A list whose order does not matter, usually shown with bullets. Its items are LI elements.",
         "One or more LI.",
         [("type", "disc | square | circle", "Bullet style; use list-style-type instead.", "D"), "compact"],
         ATTRS,
         "<ul>\n  <li>Flour</li>\n  <li>Eggs</li>\n  <li>Milk</li>\n</ul>"),
    page("ol.html", "OL: ordered list", [("ol", R, R, "S")],
         "A list whose order matters, usually numbered. Its items are LI elements.",
         "One or more LI.",
         [("type", "1 | a | A | i | I", "Numbering style: arabic, lower or upper letters, lower or upper roman; use list-style-type instead.", "D"),
          ("start", "number", "Number of the first item; use counter-reset instead.", "D"), "compact"],
         ATTRS,
         "<ol>\n  <li>Unplug the printer.</li>\n  <li>Open the front cover.</li>\n</ol>"),
    page("li.html", "LI: list item", [("li", R, O, "S")],
         "An item of a UL, OL, DIR or MENU list. The end tag may be left out; the item ends at the next LI or the end of the list.",
         "Block-level and inline content (DIR and MENU items: inline only).",
         [("type", "disc | square | circle (in UL); 1 | a | A | i | I (in OL)", "Marker style for this item; use list-style-type instead.", "D"),
          ("value", "number", "Number of this item in an OL; following items count on from it.", "D")],
         ATTRS,
         '<ol>\n  <li>First</li>\n  <li value="10">Tenth</li>\n</ol>'),
    page("dl.html", "DL, DT and DD: definition lists",
         [("dl", R, R, "S"), ("dt", R, O, "S"), ("dd", R, O, "S")],
         "A list of terms (DT) and their descriptions (DD). A term may have several descriptions and several terms may share one. It also suits glossaries, dialogues and name-value lists. The end tags of DT and DD may be left out.",
         "DL: one or more DT and DD. DT: inline content. DD: block-level and inline content.",
         [("compact", "compact", "On DL only: asks for a more compact rendering.", "D")],
         ATTRS,
         "<dl>\n  <dt>Port</dt>\n  <dd>The left side of a ship.</dd>\n  <dt>Starboard</dt>\n  <dd>The right side of a ship.</dd>\n</dl>"),
    page("dirmenu.html", "DIR and MENU: old list types",
         [("dir", R, R, "D"), ("menu", R, R, "D")],
         "DIR was meant for multi-column directory lists and MENU for single-column menus; browsers show both like UL. Use UL instead.",
         "One or more LI, which may not hold block-level elements.",
         ["compact"], ATTRS,
         "<menu>\n  <li>Open</li>\n  <li>Save</li>\n</menu>"),
    # Links, images and objects -----------------------------------------------------------------
    page("a.html", "A: anchor (link or link target)", [("a", R, R, "S")],
         "With href, a link to another resource; with name (or id), a target that links can point to with #name. One element may be both. Anchors cannot be nested.",
         "Inline content except A.",
         ["charset", "ctype", ("name", "text", "Names this anchor as a link target; it shares the name space of id.", ""),
          ("href", "URI", "Address of the linked resource.", ""), "hreflang", "rel", "rev", "accesskey",
          ("shape", "rect | circle | poly | default", "Shape of the region when the anchor is used inside an OBJECT image map. Default: rect.", ""),
          "coords", "tabindex", "onfocus", "onblur", "target"],
         ATTRS,
         '<p>See <a href="terms.html#refunds">the refund rules</a>.</p>\n<h2><a name="refunds">Refunds</a></h2>'),
    page("img.html", "IMG: image", [("img", R, F, "S")],
         "Embeds an image in the text. The alt text is required and stands in for the image when it cannot be shown or seen.",
         "None (empty).",
         [("src", "URI", "Address of the image.", "R"),
          ("alt", "text", "Short text replacing the image; empty (alt=\"\") for decorative images.", "R"),
          "longdesc",
          ("name", "text", "Name of the image for scripts; use id instead.", ""),
          "height", "width", "usemap", "ismap", "ialign", "border-img", "hspace", "vspace"],
         ATTRS,
         '<img src="harbour.jpg" alt="The harbour at dawn" width="320" height="200">'),
    page("map.html", "MAP: client-side image map", [("map", R, R, "S")],
         "Defines the clickable regions of an image map, either with AREA elements or with A elements that carry shape and coords. An IMG or OBJECT refers to it with usemap=\"#name\".",
         "One or more AREA, or block-level content (holding A elements with shape and coords).",
         [("name", "text", "Name that usemap refers to.", "R")],
         ATTRS,
         '<img src="plan.gif" alt="Floor plan" usemap="#floors">\n<map name="floors">\n  <area shape="rect" coords="0,0,100,50" href="hall.html" alt="Hall">\n</map>'),
    page("area.html", "AREA: image map region", [("area", R, F, "S")],
         "One clickable region of a client-side image map, inside MAP.",
         "None (empty).",
         ["shape", "coords",
          ("href", "URI", "Address the region links to.", ""),
          ("nohref", "nohref", "The region has no link (it can mask part of a larger region).", ""),
          ("alt", "text", "Text for the region when the image is not shown.", "R"),
          "tabindex", "accesskey", "onfocus", "onblur", "target"],
         ATTRS,
         '<area shape="circle" coords="60,40,20" href="tower.html" alt="Clock tower">'),
    page("object.html", "OBJECT: embedded object", [("object", R, R, "S")],
         "Embeds an image, a document, an applet or a plug-in object. Its contents are shown only when the object itself cannot be, so objects can be nested from richest to plainest.",
         "PARAM elements first, then block-level and inline content as the fallback.",
         [("declare", "declare", "Only declares the object; it is created later when something refers to it.", ""),
          ("classid", "URI", "Implementation of the object, such as a program or plug-in identifier.", ""),
          ("codebase", "URI", "Base address for classid, data and archive.", ""),
          ("data", "URI", "Address of the object's data, such as an image file.", ""),
          ("type", "content type", "Content type of data.", ""),
          ("codetype", "content type", "Content type of the code named by classid.", ""),
          ("archive", "URIs", "Space-separated addresses of archives holding resources of the object.", ""),
          ("standby", "text", "Message shown while the object loads.", ""),
          "height", "width", "usemap",
          ("name", "text", "Name under which the object's value is submitted when it is part of a form.", ""),
          "tabindex", "ialign", "border-img", "hspace", "vspace"],
         ATTRS,
         '<object data="chart.png" type="image/png" width="400" height="300">\n  <p>Sales rose by 12% in the second quarter.</p>\n</object>'),
    page("param.html", "PARAM: object parameter", [("param", R, F, "S")],
         "A named value handed to the OBJECT or APPLET that contains it, when the object starts.",
         "None (empty). Comes first inside OBJECT or APPLET.",
         [("id", "name", "Unique identifier of the element.", ""),
          ("name", "text", "Name of the parameter.", "R"),
          ("value", "text", "Value of the parameter.", ""),
          ("valuetype", "data | ref | object", "data: value is a string; ref: value is a URI; object: value is the id of an OBJECT in the document. Default: data.", ""),
          ("type", "content type", "Content type of the resource named by value when valuetype is ref.", "")],
         [],
         '<object classid="clock.class" codetype="application/java">\n  <param name="zone" value="UTC">\n</object>'),
    page("applet.html", "APPLET: Java applet", [("applet", R, R, "D")],
         "Embeds a Java applet. Use OBJECT instead.",
         "PARAM elements first, then block-level and inline content shown when the applet cannot run.",
         [("codebase", "URI", "Base address of the applet's code.", ""),
          ("archive", "URIs", "Comma-separated archives to load before the applet.", ""),
          ("code", "text", "Class file of the applet, relative to codebase.", ""),
          ("object", "text", "Serialized applet to load instead of code.", ""),
          ("alt", "text", "Short text shown when the applet cannot run.", ""),
          ("name", "text", "Name by which other applets on the page find this one.", ""),
          ("width", "length (pixels or %)", "Initial width of the applet's area.", "R"),
          ("height", "length (pixels or %)", "Initial height of the applet's area.", "R"),
          ("align", "top | middle | bottom | left | right", "Alignment with the surrounding text.", ""),
          ("hspace", "pixels", "Space left and right of the applet.", ""),
          ("vspace", "pixels", "Space above and below the applet.", "")],
         ["core"],
         '<applet code="Clock.class" width="120" height="120">\n  <param name="zone" value="UTC">\n  Your browser cannot run Java.\n</applet>',
         "All of APPLET's attributes are deprecated along with the element."),
    # Tables ------------------------------------------------------------------------------------
    page("table.html", "TABLE: table", [("table", R, R, "S")],
         "Data arranged in rows and columns. It holds an optional CAPTION, then column groups, then an optional THEAD and TFOOT and one or more TBODY (whose tags may be left out, so TR can stand directly in TABLE).",
         "CAPTION?, (COL* or COLGROUP*), THEAD?, TFOOT?, TBODY+.",
         [("summary", "text", "Purpose and structure of the table, for speech and Braille output.", ""),
          ("width", "length (pixels or %)", "Width of the whole table.", ""),
          ("border", "pixels", "Width of the frame around the table. Unless frame and rules are given, a width above 0 also implies frame=border and rules=all, and 0 implies frame=void and rules=none.", ""),
          ("frame", "void | above | below | hsides | lhs | rhs | vsides | box | border", "Which sides of the outer frame are drawn.", ""),
          ("rules", "none | groups | rows | cols | all", "Which rules are drawn between cells.", ""),
          ("cellspacing", "length", "Space between cells and between the cells and the frame.", ""),
          ("cellpadding", "length", "Space between a cell's border and its contents.", ""),
          ("align", "left | center | right", "Position of the table on the page; use margins or float instead.", "D"),
          "bgcolor",
          ("datapagesize", "text", "Reserved for future use.", "")],
         ATTRS,
         '<table summary="Opening hours by weekday" border="1">\n  <caption>Opening hours</caption>\n  <tr><th>Day</th><th>Hours</th></tr>\n  <tr><td>Monday</td><td>9-17</td></tr>\n</table>'),
    page("caption.html", "CAPTION: table caption", [("caption", R, R, "S")],
         "A title for a table. It must come directly after the TABLE start tag, and a table has at most one.",
         "Inline content.",
         [("align", "top | bottom | left | right", "Side of the table on which the caption appears; use caption-side instead.", "D")],
         ATTRS,
         "<table>\n  <caption>Rainfall in mm</caption>\n  <tr><td>March</td><td>41</td></tr>\n</table>"),
    page("col.html", "COLGROUP and COL: column groups and columns",
         [("colgroup", R, O, "S"), ("col", R, F, "S")],
         "COLGROUP groups columns structurally (rules=groups draws lines between groups); COL gives shared attributes to one or more columns without grouping them. A COLGROUP either holds COL elements or uses span itself.",
         "COLGROUP: zero or more COL. COL: none (empty).",
         [("span", "number", "COLGROUP: number of columns in the group when it holds no COL; COL: number of columns it stands for. Default: 1.", ""),
          ("width", "multi-length (pixels, %, or n* for a relative share)", "Default width of each column; 0* asks for the narrowest width that fits.", ""),
          "cellalign", "char", "charoff", "valign"],
         ATTRS,
         '<table>\n  <colgroup span="1" width="100">\n  <colgroup>\n    <col width="2*">\n    <col width="1*">\n  </colgroup>\n  <tr><th>Item</th><td>Cost</td><td>VAT</td></tr>\n</table>'),
    page("tsection.html", "THEAD, TBODY and TFOOT: table row groups",
         [("thead", R, O, "S"), ("tbody", O, O, "S"), ("tfoot", R, O, "S")],
         "Group the rows of a table into a head, one or more bodies, and a foot. TFOOT comes before TBODY in the source so the foot can be drawn before all the body rows have arrived; browsers may repeat head and foot on every printed page. The TBODY tags may both be left out when there is only one body and no head or foot.",
         "One or more TR.",
         ["cellalign", "char", "charoff", "valign"],
         ATTRS,
         "<table>\n  <thead><tr><th>Name</th><th>Score</th></tr></thead>\n  <tfoot><tr><td>Mean</td><td>7.5</td></tr></tfoot>\n  <tbody>\n    <tr><td>Ann</td><td>8</td></tr>\n    <tr><td>Bo</td><td>7</td></tr>\n  </tbody>\n</table>"),
    page("tr.html", "TR: table row", [("tr", R, O, "S")],
         "One row of table cells. The end tag may be left out.",
         "One or more TH or TD.",
         ["cellalign", "char", "charoff", "valign", "bgcolor"],
         ATTRS,
         "<tr>\n  <td>Oslo</td>\n  <td>-4</td>\n</tr>"),
    page("cell.html", "TH and TD: table cells",
         [("th", R, O, "S"), ("td", R, O, "S")],
         "TH is a header cell and TD a data cell. Header information lets speech browsers read the heading with each data cell; scope and headers make it explicit in complex tables. The end tags may be left out.",
         "Block-level and inline content.",
         [("abbr", "text", "Short form of the cell's content, for use in place of a long header.", ""),
          ("axis", "text", "Comma-separated categories the cell belongs to.", ""),
          ("headers", "ids", "Space-separated ids of the header cells that apply to this cell.", ""),
          ("scope", "row | col | rowgroup | colgroup", "The cells this header cell applies to.", ""),
          ("rowspan", "number", "Number of rows the cell spans; 0 means to the end of the row group. Default: 1.", ""),
          ("colspan", "number", "Number of columns the cell spans; 0 means to the end of the column group. Default: 1.", ""),
          "cellalign", "char", "charoff", "valign",
          ("nowrap", "nowrap", "Turns off automatic line wrapping; use white-space instead.", "D"),
          "bgcolor",
          ("width", "pixels or %", "Suggested cell width; use width instead.", "D"),
          ("height", "pixels or %", "Suggested cell height; use height instead.", "D")],
         ATTRS,
         '<tr>\n  <th scope="row">Total</th>\n  <td colspan="2" align="char" char=".">1,024.50</td>\n</tr>'),
    # Forms -------------------------------------------------------------------------------------
    page("form.html", "FORM: interactive form", [("form", R, R, "S")],
         "A form whose controls are sent to the address in action when it is submitted. Forms cannot be nested. In the strict type its direct contents must be block-level.",
         "Block-level elements and SCRIPT (strict); also inline content (transitional), but no FORM.",
         [("action", "URI", "Address the form data is sent to.", "R"),
          ("method", "get | post", "HTTP method used to send the data. Default: get.", ""),
          ("enctype", "content type", "Encoding of posted data; multipart/form-data is needed for file uploads. Default: application/x-www-form-urlencoded.", ""),
          ("accept", "content types", "Comma-separated file types the server accepts for file inputs.", ""),
          ("accept-charset", "character encodings", "Encodings the server accepts for the form data.", ""),
          ("name", "text", "Name of the form for scripts.", ""),
          ("onsubmit", "script", "Runs when the form is about to be submitted.", ""),
          ("onreset", "script", "Runs when the form is reset.", ""),
          "target"],
         ATTRS,
         '<form action="/search" method="get">\n  <p><input type="text" name="q"> <input type="submit" value="Search"></p>\n</form>'),
    page("input.html", "INPUT: form control", [("input", R, F, "S")],
         "A form control whose kind is set by type: a one-line text field, password field, check box, radio button, file chooser, hidden value, or a button that submits, resets or runs a script.",
         "None (empty).",
         [("type", "text | password | checkbox | radio | submit | reset | file | hidden | image | button", "Kind of control. Default: text.", ""),
          "name-control",
          ("value", "text", "Initial value; for check boxes and radio buttons the value sent when checked; for buttons the label.", ""),
          ("checked", "checked", "Check box or radio button starts checked.", ""),
          "disabled", "readonly",
          ("size", "number", "Initial width: characters for text fields, pixels otherwise.", ""),
          ("maxlength", "number", "Largest number of characters the user may enter in a text or password field.", ""),
          ("src", "URI", "Image to show for type=image.", ""),
          ("alt", "text", "Short description, used in place of the image for type=image.", ""),
          "usemap", "ismap", "tabindex", "accesskey", "onfocus", "onblur", "onselect", "onchange",
          ("accept", "content types", "File types the server will accept for type=file.", ""),
          ("align", "top | middle | bottom | left | right", "Alignment of an image input with the surrounding text.", "D")],
         ATTRS,
         '<p><label for="mail">E-mail</label> <input type="text" id="mail" name="mail" size="30">\n<input type="checkbox" name="news" value="yes" checked> Send news</p>'),
    page("button.html", "BUTTON: push button", [("button", R, R, "S")],
         "A button whose label is its content, which may be richer than INPUT's plain text: images, emphasis, line breaks.",
         "Block-level and inline content except A, form controls, FORM, ISINDEX, FIELDSET and IFRAME.",
         ["name-control",
          ("value", "text", "Value submitted with name when this button submits the form.", ""),
          ("type", "submit | button | reset", "What the button does. Default: submit.", ""),
          "disabled", "tabindex", "accesskey", "onfocus", "onblur"],
         ATTRS,
         '<button type="submit" name="action" value="send">\n  <img src="send.png" alt=""> Send <em>now</em>\n</button>'),
    page("select.html", "SELECT: option menu", [("select", R, R, "S")],
         "A list or drop-down menu from which the user chooses one or more OPTION elements, optionally grouped with OPTGROUP.",
         "One or more OPTGROUP or OPTION.",
         ["name-control",
          ("size", "number", "Number of rows visible at once; 1 usually gives a drop-down menu.", ""),
          ("multiple", "multiple", "Several options may be selected at the same time.", ""),
          "disabled", "tabindex", "onfocus", "onblur", "onchange"],
         ATTRS,
         '<select name="size">\n  <option>Small</option>\n  <option selected>Medium</option>\n  <option>Large</option>\n</select>'),
    page("optgroup.html", "OPTGROUP: option group", [("optgroup", R, R, "S")],
         "A labelled group of options inside SELECT. Groups cannot be nested.",
         "One or more OPTION.",
         ["disabled",
          ("label", "text", "Name of the group as shown to the user.", "R")],
         ATTRS,
         '<select name="car">\n  <optgroup label="Diesel">\n    <option value="d1">D1</option>\n  </optgroup>\n</select>'),
    page("option.html", "OPTION: menu choice", [("option", R, O, "S")],
         "One choice of a SELECT menu; its content is the text shown. The end tag may be left out.",
         "Text only.",
         [("selected", "selected", "The option starts selected.", ""),
          "disabled",
          ("label", "text", "Shorter text to show instead of the content.", ""),
          ("value", "text", "Value submitted; the content is sent when it is missing.", "")],
         ATTRS,
         '<option value="nl" selected>The Netherlands</option>'),
    page("textarea.html", "TEXTAREA: multi-line text field", [("textarea", R, R, "S")],
         "A field for several lines of text. Its content is the initial text.",
         "Text only.",
         ["name-control",
          ("rows", "number", "Number of visible lines.", "R"),
          ("cols", "number", "Visible width in average character widths.", "R"),
          "disabled", "readonly", "tabindex", "accesskey", "onfocus", "onblur", "onselect", "onchange"],
         ATTRS,
         '<textarea name="comment" rows="6" cols="50">Your comments</textarea>'),
    page("label.html", "LABEL: control label", [("label", R, R, "S")],
         "Ties a text to a form control, so that activating the label gives the control the focus. The control is either named by for or contained in the label.",
         "Inline content except LABEL.",
         [("for", "id", "id of the control this label belongs to.", ""),
          "accesskey", "onfocus", "onblur"],
         ATTRS,
         '<label for="age">Age</label> <input type="text" id="age" name="age">\n<label><input type="checkbox" name="terms"> I agree</label>'),
    page("fieldset.html", "FIELDSET: group of controls", [("fieldset", R, R, "S")],
         "Groups related controls of a form, usually drawn with a frame around them and titled with LEGEND.",
         "A LEGEND first (the DTD requires one), then block-level and inline content.",
         [], ATTRS,
         '<fieldset>\n  <legend>Delivery address</legend>\n  <p><label>Street <input type="text" name="street"></label></p>\n</fieldset>'),
    page("legend.html", "LEGEND: fieldset title", [("legend", R, R, "S")],
         "The title of a FIELDSET; it must come first in it.",
         "Inline content.",
         ["accesskey",
          ("align", "top | bottom | left | right", "Position of the legend relative to the fieldset.", "D")],
         ATTRS,
         "<fieldset>\n  <legend>Payment</legend>\n  ...\n</fieldset>"),
    page("isindex.html", "ISINDEX: single-line query", [("isindex", R, F, "D")],
         "Asks the user for one line of text and sends it as a query to the document's address (or that of BASE). Use a FORM with a text INPUT instead.",
         "None (empty).",
         [("prompt", "text", "Prompt shown in front of the field.", "")],
         ["core", "i18n"],
         '<isindex prompt="Search the catalogue: ">'),
    # Frames ------------------------------------------------------------------------------------
    page("frameset.html", "FRAMESET: frame layout", [("frameset", R, R, "F")],
         "Divides the window into rows or columns of frames; it takes the place of BODY in a frameset document. Framesets can be nested.",
         "FRAMESET and FRAME elements, and at most one NOFRAMES.",
         [("rows", "multi-lengths", "Comma-separated heights of the rows: pixels, % or n* shares. Default: one row of 100%.", ""),
          ("cols", "multi-lengths", "Comma-separated widths of the columns. Default: one column of 100%.", ""),
          ("onload", "script", "Runs when all frames have loaded.", ""),
          ("onunload", "script", "Runs when the frameset is removed.", "")],
         ["core"],
         '<frameset cols="200,*">\n  <frame src="toc.html" name="toc">\n  <frame src="intro.html" name="main">\n  <noframes><body><p><a href="toc.html">Contents</a></p></body></noframes>\n</frameset>'),
    page("frame.html", "FRAME: frame", [("frame", R, F, "F")],
         "One frame of a FRAMESET, showing a document of its own.",
         "None (empty).",
         ["longdesc", "name-frame", "src-frame", "frameborder", "marginwidth", "marginheight",
          ("noresize", "noresize", "The user may not resize the frame.", ""),
          "scrolling"],
         ["core"],
         '<frame src="news.html" name="news" scrolling="auto" noresize>'),
    page("noframes.html", "NOFRAMES: content without frames", [("noframes", R, R, "L")],
         "Content shown only by browsers that do not show frames. In a frameset document it holds a BODY; in a transitional document it may stand wherever block content may, for readers of a page meant to be shown in a frame.",
         "In FRAMESET: one BODY; elsewhere: block-level and inline content.",
         [], ATTRS,
         '<noframes>\n  <body><p>This site uses frames; start with the <a href="toc.html">contents</a>.</p></body>\n</noframes>'),
    page("iframe.html", "IFRAME: inline frame", [("iframe", R, R, "L")],
         "A frame inside the flow of a page, showing another document. Its contents are shown by browsers that do not support inline frames.",
         "Block-level and inline content (the fallback).",
         ["longdesc", "name-frame", "src-frame", "frameborder", "marginwidth", "marginheight", "scrolling",
          ("align", "top | middle | bottom | left | right", "Alignment with the surrounding text, or floating to a side.", "D"),
          "height", "width"],
         ["core"],
         '<iframe src="map.html" width="400" height="300">\n  <a href="map.html">Show the map</a>\n</iframe>'),
]

# The index groups, in the order shown; each element name is one entry linking to its page.
HTML_GROUPS = [
    ("Document and head", ["html", "head", "title", "base", "meta", "link", "style", "script", "noscript", "body"]),
    ("Headings and blocks", ["h1", "h2", "h3", "h4", "h5", "h6", "p", "div", "address", "blockquote", "pre", "hr", "center"]),
    ("Text level", ["em", "strong", "dfn", "code", "samp", "kbd", "var", "cite", "abbr", "acronym", "q", "sub", "sup", "span", "bdo", "br"]),
    ("Font style", ["tt", "i", "b", "big", "small", "u", "s", "strike", "font", "basefont"]),
    ("Changes", ["ins", "del"]),
    ("Lists", ["ul", "ol", "li", "dl", "dt", "dd", "dir", "menu"]),
    ("Links, images and objects", ["a", "img", "map", "area", "object", "param", "applet"]),
    ("Tables", ["table", "caption", "colgroup", "col", "thead", "tbody", "tfoot", "tr", "th", "td"]),
    ("Forms", ["form", "input", "button", "select", "optgroup", "option", "textarea", "label", "fieldset", "legend", "isindex"]),
    ("Frames", ["frameset", "frame", "noframes", "iframe"]),
]

CORE_ATTRS = [
    ("id", "name", "Unique identifier within the document; a target for links (#id), style sheets and scripts. It must begin with a letter."),
    ("class", "class names", "Space-separated class names, for style sheet selectors and scripts."),
    ("style", "style declarations", "CSS declarations for this element alone, e.g. style=\"color: red\"."),
    ("title", "text", "Advisory title, often shown as a tool tip."),
]
I18N_ATTRS = [
    ("lang", "language code", "Language of the element's attribute values and content, e.g. en, fr-CA. Inherited by contained elements."),
    ("dir", "ltr | rtl", "Base direction of text that has no direction of its own, such as digits and punctuation."),
]
EVENT_ATTRS = [
    ("onclick", "script", "A pointer button was clicked over the element."),
    ("ondblclick", "script", "A pointer button was double-clicked over the element."),
    ("onmousedown", "script", "A pointer button was pressed over the element."),
    ("onmouseup", "script", "A pointer button was released over the element."),
    ("onmouseover", "script", "The pointer moved onto the element."),
    ("onmousemove", "script", "The pointer moved while over the element."),
    ("onmouseout", "script", "The pointer moved away from the element."),
    ("onkeypress", "script", "A key was pressed and released over the element."),
    ("onkeydown", "script", "A key was pressed down over the element."),
    ("onkeyup", "script", "A key was released over the element."),
]
OTHER_EVENTS = [
    ("onload", "BODY, FRAMESET", "The document or all frames have finished loading."),
    ("onunload", "BODY, FRAMESET", "The document is removed from its window or frame."),
    ("onfocus", "A, AREA, BUTTON, INPUT, LABEL, SELECT, TEXTAREA", "The element receives the focus."),
    ("onblur", "A, AREA, BUTTON, INPUT, LABEL, SELECT, TEXTAREA", "The element loses the focus."),
    ("onsubmit", "FORM", "The form is about to be submitted."),
    ("onreset", "FORM", "The form is reset."),
    ("onselect", "INPUT, TEXTAREA", "Text in the field is selected."),
    ("onchange", "INPUT, SELECT, TEXTAREA", "The control loses the focus after its value changed."),
]
VALUE_TYPES = [
    ("text", "Any characters; character references such as &amp; are replaced."),
    ("name", "Begins with a letter, followed by letters, digits, hyphens, underscores, colons and full stops."),
    ("URI", "An absolute or relative address; relative ones are resolved against the document's base address."),
    ("colour", "#rrggbb in hexadecimal, or one of the sixteen names black, silver, gray, white, maroon, red, purple, fuchsia, green, lime, olive, yellow, navy, blue, teal, aqua."),
    ("pixels", "A whole number of pixels."),
    ("length", "Pixels, or a percentage of the available space such as 50%."),
    ("multi-length", "A length, or a relative share written n*: the space left over is divided among the shares."),
    ("content type", "A MIME type such as text/html or image/png."),
    ("language code", "A language tag such as en, en-GB, de."),
    ("script", "Script code run when the event happens, in the language given by a Content-Script-Type META element."),
    ("boolean", "An attribute whose only value is its own name, e.g. checked; writing the name alone (checked) is enough."),
]

# ---------------------------------------------------------------------------------------------
# CSS 2.1
# ---------------------------------------------------------------------------------------------

ALL = "all elements"
MARGIN_APPLIES = "all elements except those with table display types other than table-caption, table and inline-table"
PADDING_APPLIES = "all elements except table-row-group, table-header-group, table-footer-group, table-row, table-column-group and table-column"
WIDTH_APPLIES = "all elements but non-replaced inline elements, table rows and row groups"
HEIGHT_APPLIES = "all elements but non-replaced inline elements, table columns and column groups"
CB_WIDTH = "refer to the width of the containing block"
LIST_ITEMS = "elements with display: list-item"
TABLES = "table and inline-table elements"
PAGE_BREAK_APPLIES = "block-level elements in the normal flow of the root element (user agents may also apply it to other elements, such as table rows)"
SEE_PARTS = "see the individual properties"


def prop(name, values, initial, applies, inherited, percentages, meaning, example):
    return dict(name=name, values=values, initial=initial, applies=applies, inherited=inherited,
                percentages=percentages, meaning=meaning, example=example)


def sides(pattern, values, initial, applies, inherited, percentages, meaning, example):
    """The four properties of one box edge each (top, right, bottom, left)."""
    return [prop(pattern.format(side), values, initial, applies, inherited, percentages,
                 meaning.format(side), example.format(side))
            for side in ("top", "right", "bottom", "left")]


BORDER_STYLES = "none | hidden | dotted | dashed | solid | double | groove | ridge | inset | outset"
BORDER_WIDTHS = "thin | medium | thick | <length>"

CSS_GROUPS = [
    ("box.html", "Box model",
     "Every element generates a box made of content, padding, border and margin, from the inside out. Vertical margins of adjacent blocks collapse into one; padding and borders never do. Percentages of margins and padding, even the top and bottom ones, refer to the width of the containing block.",
     sides("margin-{}", "<margin-width> | inherit", "0", MARGIN_APPLIES, "no", CB_WIDTH,
           "Width of the {} margin. <margin-width> is a <length>, a <percentage> or auto; negative values are allowed.",
           "p {{ margin-{}: 1em; }}")
     + [prop("margin", "<margin-width>{1,4} | inherit", SEE_PARTS, MARGIN_APPLIES, "no", CB_WIDTH,
             "Sets all four margins: one value for all sides; two for top and bottom, then right and left; three for top, right and left, bottom; four for top, right, bottom, left.",
             "div.box { margin: 0 auto; }")]
     + sides("padding-{}", "<padding-width> | inherit", "0", PADDING_APPLIES, "no", CB_WIDTH,
             "Width of the {} padding. <padding-width> is a <length> or a <percentage>; negative values are not allowed.",
             "td {{ padding-{}: 4px; }}")
     + [prop("padding", "<padding-width>{1,4} | inherit", SEE_PARTS, PADDING_APPLIES, "no", CB_WIDTH,
             "Sets all four paddings; the values are given to the sides as for margin.",
             "blockquote { padding: 0.5em 2em; }")]
     + sides("border-{}-width", "<border-width> | inherit", "medium", ALL, "no", None,
             "Width of the {} border. <border-width> is " + BORDER_WIDTHS + "; the computed width is 0 when the border style is none or hidden.",
             "h1 {{ border-{}-width: 2px; }}")
     + [prop("border-width", "<border-width>{1,4} | inherit", SEE_PARTS, ALL, "no", None,
             "Sets the four border widths; the values are given to the sides as for margin.",
             "table { border-width: 1px 0; }")]
     + sides("border-{}-color", "<color> | transparent | inherit", "the value of the color property", ALL, "no", None,
             "Colour of the {} border. transparent draws an invisible border that still takes up its width.",
             "h2 {{ border-{}-color: #999; }}")
     + [prop("border-color", "[ <color> | transparent ]{1,4} | inherit", SEE_PARTS, ALL, "no", None,
             "Sets the four border colours; the values are given to the sides as for margin.",
             "img { border-color: red green; }")]
     + sides("border-{}-style", "<border-style> | inherit", "none", ALL, "no", None,
             "Style of the {} border. <border-style> is " + BORDER_STYLES + ". none and hidden draw no border; hidden also wins over other styles where table borders collapse.",
             "div {{ border-{}-style: dashed; }}")
     + [prop("border-style", "<border-style>{1,4} | inherit", SEE_PARTS, ALL, "no", None,
             "Sets the four border styles; the values are given to the sides as for margin.",
             "fieldset { border-style: groove; }")]
     + sides("border-{}", "[ <border-width> || <border-style> || <'border-top-color'> ] | inherit", SEE_PARTS, ALL, "no", None,
             "Sets width, style and colour of the {} border in one declaration, in any order; parts left out take their initial values.",
             "h1 {{ border-{}: 3px solid navy; }}")
     + [prop("border", "[ <border-width> || <border-style> || <'border-top-color'> ] | inherit", SEE_PARTS, ALL, "no", None,
             "Sets the same width, style and colour on all four borders. Unlike margin it takes one value of each kind only.",
             "img.framed { border: 1px solid black; }")]),
    ("visual.html", "Visual formatting",
     "How boxes are laid out: the kind of box an element generates, positioning and floating, sizes, line heights, overflow and visibility.",
     [prop("display", "inline | block | list-item | inline-block | table | inline-table | table-row-group | table-header-group | table-footer-group | table-row | table-column-group | table-column | table-cell | table-caption | none | inherit",
           "inline", ALL, "no", None,
           "The kind of box the element generates. none generates no box at all, for the element and everything in it.",
           "li.menu { display: inline; }\n.hidden { display: none; }"),
      prop("position", "static | relative | absolute | fixed | inherit", "static", ALL, "no", None,
           "Positioning scheme. relative offsets the box from its place in the flow; absolute takes it out of the flow and places it in its containing block (the nearest positioned ancestor); fixed places it relative to the viewport, and on every page when printed.",
           "#logo { position: absolute; top: 0; right: 0; }"),
      prop("top", "<length> | <percentage> | auto | inherit", "auto", "positioned elements", "no", "refer to the height of the containing block",
           "For absolute and fixed boxes, how far the top margin edge lies below the top of the containing block; for relative boxes, how far the box moves down.",
           "div.note { position: relative; top: -0.5em; }"),
      prop("right", "<length> | <percentage> | auto | inherit", "auto", "positioned elements", "no", CB_WIDTH,
           "How far the right margin edge lies to the left of the right edge of the containing block; for relative boxes, how far the box moves left.",
           "#menu { position: fixed; right: 1em; }"),
      prop("bottom", "<length> | <percentage> | auto | inherit", "auto", "positioned elements", "no", "refer to the height of the containing block",
           "How far the bottom margin edge lies above the bottom of the containing block; for relative boxes, how far the box moves up.",
           "#footer { position: fixed; bottom: 0; }"),
      prop("left", "<length> | <percentage> | auto | inherit", "auto", "positioned elements", "no", CB_WIDTH,
           "How far the left margin edge lies to the right of the left edge of the containing block; for relative boxes, how far the box moves right.",
           "#sidebar { position: absolute; left: 0; width: 12em; }"),
      prop("float", "left | right | none | inherit", "none", "all elements, but only takes effect on boxes that are not absolutely positioned", "no", None,
           "Moves the box to the left or right side of its line and lets the following content flow around it. A floated box becomes a block box.",
           "img.photo { float: right; margin-left: 1em; }"),
      prop("clear", "none | left | right | both | inherit", "none", "block-level elements", "no", None,
           "Moves the box down below any earlier floats on the given side.",
           "h2 { clear: both; }"),
      prop("z-index", "auto | <integer> | inherit", "auto", "positioned elements", "no", None,
           "Stacking level of the box within its stacking context; higher levels are drawn in front. An integer also starts a new stacking context.",
           "#popup { position: absolute; z-index: 10; }"),
      prop("direction", "ltr | rtl | inherit", "ltr", ALL, "yes", None,
           "Base writing direction of blocks and of embeddings, the direction of table columns, and which side overflow and justification use.",
           "*:lang(he) { direction: rtl; }"),
      prop("unicode-bidi", "normal | embed | bidi-override | inherit", "normal", ALL, "no", None,
           "For inline elements, opens a new level of embedding (embed) or overrides the bidirectional algorithm so the characters follow direction strictly (bidi-override).",
           "bdo[dir=\"rtl\"] { unicode-bidi: bidi-override; direction: rtl; }"),
      prop("width", "<length> | <percentage> | auto | inherit", "auto", WIDTH_APPLIES, "no", CB_WIDTH,
           "Width of the content area (padding, border and margin come on top). Negative values are not allowed.",
           "#page { width: 40em; }"),
      prop("min-width", "<length> | <percentage> | inherit", "0", WIDTH_APPLIES, "no", CB_WIDTH,
           "Smallest width the content area may get.",
           "#page { min-width: 30em; }"),
      prop("max-width", "<length> | <percentage> | none | inherit", "none", WIDTH_APPLIES, "no", CB_WIDTH,
           "Largest width the content area may get; min-width wins when the two conflict.",
           "img { max-width: 100%; }"),
      prop("height", "<length> | <percentage> | auto | inherit", "auto", HEIGHT_APPLIES, "no",
           "refer to the height of the containing block; if that height is not given explicitly (and the element is not absolutely positioned) the value computes to auto",
           "Height of the content area. Negative values are not allowed.",
           "div.banner { height: 120px; }"),
      prop("min-height", "<length> | <percentage> | inherit", "0", HEIGHT_APPLIES, "no",
           "refer to the height of the containing block; if that height is not given explicitly (and the element is not absolutely positioned) the percentage is treated as 0",
           "Smallest height the content area may get.",
           "#content { min-height: 20em; }"),
      prop("max-height", "<length> | <percentage> | none | inherit", "none", HEIGHT_APPLIES, "no",
           "refer to the height of the containing block; if that height is not given explicitly (and the element is not absolutely positioned) the percentage is treated as none",
           "Largest height the content area may get.",
           "div.log { max-height: 10em; overflow: auto; }"),
      prop("line-height", "normal | <number> | <length> | <percentage> | inherit", "normal", ALL, "yes", "refer to the font size of the element itself",
           "On a block, the least height of its lines; on an inline element, the height used to build its line box. A number multiplies the element's font size and, unlike a length or percentage, is inherited as the number.",
           "body { line-height: 1.4; }"),
      prop("vertical-align", "baseline | sub | super | top | text-top | middle | bottom | text-bottom | <percentage> | <length> | inherit", "baseline", "inline-level and table-cell elements", "no", "refer to the line-height of the element itself",
           "Vertical position of an inline box within its line, or of the content of a table cell (where only baseline, top, middle and bottom apply). Lengths and percentages raise (positive) or lower the box from the baseline.",
           "img.icon { vertical-align: middle; }\ntd { vertical-align: top; }"),
      prop("overflow", "visible | hidden | scroll | auto | inherit", "visible", "block containers", "no", None,
           "What happens to content that does not fit the box: shown outside it, clipped, clipped with scroll bars always shown, or scroll bars only when needed.",
           "pre { overflow: auto; }"),
      prop("clip", "<shape> | auto | inherit", "auto", "absolutely positioned elements", "no", None,
           "Which part of the box is visible. The only <shape> is rect(<top>, <right>, <bottom>, <left>), with offsets from the top left border corner of the box; each may be auto.",
           "#thumb { position: absolute; clip: rect(0, 80px, 60px, 0); }"),
      prop("visibility", "visible | hidden | collapse | inherit", "visible", ALL, "yes", None,
           "hidden makes the box invisible while it still takes up its space; descendants with visibility: visible are shown. collapse hides table rows and columns without leaving space; elsewhere it means hidden.",
           "tr.details { visibility: collapse; }")]),
    ("colour.html", "Colours and backgrounds",
     "The foreground colour of text and the background of the box, which fills the content, padding and border areas.",
     [prop("color", "<color> | inherit", "depends on the user agent", ALL, "yes", None,
           "Colour of the element's text, and the default colour of its borders.",
           "em { color: #c00; }"),
      prop("background-color", "<color> | transparent | inherit", "transparent", ALL, "no", None,
           "Background colour of the box.",
           "body { background-color: white; }"),
      prop("background-image", "<uri> | none | inherit", "none", ALL, "no", None,
           "Background image, drawn over the background colour. Set a colour as well, for when the image is not available.",
           "body { background-image: url(\"paper.png\"); }"),
      prop("background-repeat", "repeat | repeat-x | repeat-y | no-repeat | inherit", "repeat", ALL, "no", None,
           "Whether the background image is tiled in both directions, only horizontally, only vertically, or shown once.",
           "h1 { background-repeat: repeat-x; }"),
      prop("background-attachment", "scroll | fixed | inherit", "scroll", ALL, "no", None,
           "Whether the background image scrolls with the element or stays fixed relative to the viewport.",
           "body { background-attachment: fixed; }"),
      prop("background-position", "[ [ <percentage> | <length> | left | center | right ] [ <percentage> | <length> | top | center | bottom ]? ] | [ [ left | center | right ] || [ top | center | bottom ] ] | inherit",
           "0% 0%", ALL, "no", "refer to the size of the padding box minus the size of the image",
           "Where the background image starts, horizontal value first. With percentages the point at that fraction of the image is put at that fraction of the box, so 50% 50% centres it. A single value sets the horizontal position and centres vertically.",
           "body { background-position: right top; }"),
      prop("background", "[ <'background-color'> || <'background-image'> || <'background-repeat'> || <'background-attachment'> || <'background-position'> ] | inherit",
           SEE_PARTS, ALL, "no", "allowed on background-position",
           "Sets all the background properties at once; the ones left out take their initial values.",
           "#banner { background: #036 url(\"wave.png\") no-repeat left bottom; }")]),
    ("fonts.html", "Fonts",
     "The typeface, style, weight and size of text.",
     [prop("font-family", "[ [ <family-name> | <generic-family> ] [, <family-name> | <generic-family> ]* ] | inherit", "depends on the user agent", ALL, "yes", None,
           "List of typefaces in order of preference; each character is drawn in the first that has it. End the list with a generic family: serif, sans-serif, cursive, fantasy or monospace. Quote names that contain spaces.",
           "body { font-family: \"Gill Sans\", Helvetica, sans-serif; }"),
      prop("font-style", "normal | italic | oblique | inherit", "normal", ALL, "yes", None,
           "Upright, italic, or slanted (oblique) faces.",
           "cite { font-style: italic; }"),
      prop("font-variant", "normal | small-caps | inherit", "normal", ALL, "yes", None,
           "small-caps draws lower-case letters as smaller capitals.",
           "h3 { font-variant: small-caps; }"),
      prop("font-weight", "normal | bold | bolder | lighter | 100 | 200 | 300 | 400 | 500 | 600 | 700 | 800 | 900 | inherit", "normal", ALL, "yes", None,
           "Boldness of the face. normal is 400 and bold is 700; bolder and lighter step from the inherited weight.",
           "th { font-weight: bold; }"),
      prop("font-size", "<absolute-size> | <relative-size> | <length> | <percentage> | inherit", "medium", ALL, "yes", "refer to the inherited font size",
           "Size of the font. Absolute sizes are xx-small, x-small, small, medium, large, x-large, xx-large; relative sizes are larger and smaller. em and ex units in this property also refer to the inherited size. The computed size, not the percentage, is inherited.",
           "h1 { font-size: 180%; }\nsmall { font-size: smaller; }"),
      prop("font", "[ [ <'font-style'> || <'font-variant'> || <'font-weight'> ]? <'font-size'> [ / <'line-height'> ]? <'font-family'> ] | caption | icon | menu | message-box | small-caption | status-bar | inherit",
           SEE_PARTS, ALL, "yes", "allowed on font-size and line-height",
           "Sets style, variant, weight, size, line height and family at once; size and family are required, and everything left out is reset to its initial value. The keywords take the font the system uses for that part of its interface.",
           "body { font: 12pt/1.5 Georgia, serif; }\nbutton { font: menu; }")]),
    ("text.html", "Text",
     "Indentation, alignment, decoration, spacing, case and the handling of white space in text.",
     [prop("text-indent", "<length> | <percentage> | inherit", "0", "block containers", "yes", CB_WIDTH,
           "Indentation of the first line of text in a block. Negative values give a hanging indent.",
           "p + p { text-indent: 1.5em; }"),
      prop("text-align", "left | right | center | justify | inherit", "a nameless value that acts as left when direction is ltr and as right when it is rtl", "block containers", "yes", None,
           "How the inline content of a block is aligned within its lines. It does not move the block itself; use margins for that.",
           "td.number { text-align: right; }"),
      prop("text-decoration", "none | [ underline || overline || line-through || blink ] | inherit", "none", ALL, "no (but a decoration is drawn across the descendants' text)", None,
           "Lines drawn under, over or through the text. Descendants cannot turn off a decoration set on an ancestor; blink need not be supported.",
           "a:link { text-decoration: none; }\ndel { text-decoration: line-through; }"),
      prop("letter-spacing", "normal | <length> | inherit", "normal", ALL, "yes", None,
           "Extra space between characters, added to the normal spacing; may be negative.",
           "h1 { letter-spacing: 0.1em; }"),
      prop("word-spacing", "normal | <length> | inherit", "normal", ALL, "yes", None,
           "Extra space between words, added to the normal spacing; may be negative.",
           "p.loose { word-spacing: 0.4em; }"),
      prop("text-transform", "capitalize | uppercase | lowercase | none | inherit", "none", ALL, "yes", None,
           "Changes the case of the text shown: the first letter of each word, all letters upper, or all lower.",
           "h2 { text-transform: uppercase; }"),
      prop("white-space", "normal | pre | nowrap | pre-wrap | pre-line | inherit", "normal", ALL, "yes", None,
           "How white space and line breaks in the source are treated. normal collapses spaces and wraps lines; pre keeps them and does not wrap; nowrap collapses and does not wrap; pre-wrap keeps them and wraps; pre-line collapses spaces but keeps line breaks, and wraps.",
           "td.code { white-space: pre; }")]),
    ("tables.html", "Tables",
     "Caption placement, the table layout algorithm, and the two border models of tables.",
     [prop("caption-side", "top | bottom | inherit", "top", "table-caption elements", "yes", None,
           "Whether the caption box is placed above or below the table box.",
           "caption { caption-side: bottom; }"),
      prop("table-layout", "auto | fixed | inherit", "auto", TABLES, "no", None,
           "fixed lays the table out from the table's width and the first row only, which is fast and does not wait for the whole table; auto looks at every cell's content.",
           "table.grid { table-layout: fixed; width: 100%; }"),
      prop("border-collapse", "collapse | separate | inherit", "separate", TABLES, "yes", None,
           "separate gives each cell its own borders with space between them; collapse merges the borders of adjacent cells into one.",
           "table { border-collapse: collapse; }"),
      prop("border-spacing", "<length> <length>? | inherit", "0", TABLES, "yes", None,
           "Distance between the borders of adjacent cells in the separate model: horizontal first, then vertical (one value sets both). Negative values are not allowed.",
           "table { border-spacing: 4px 2px; }"),
      prop("empty-cells", "show | hide | inherit", "show", "table-cell elements", "yes", None,
           "In the separate model, whether borders and backgrounds are drawn around cells with no visible content.",
           "table { empty-cells: hide; }")]),
    ("lists.html", "Lists",
     "The marker of list items: its kind, an image in its place, and whether it sits inside or outside the item's box.",
     [prop("list-style-type", "disc | circle | square | decimal | decimal-leading-zero | lower-roman | upper-roman | lower-greek | lower-latin | upper-latin | armenian | georgian | lower-alpha | upper-alpha | none | inherit", "disc", LIST_ITEMS, "yes", None,
           "Kind of marker: a glyph (disc, circle, square), a numbering system, or none. lower-alpha and upper-alpha are the same as lower-latin and upper-latin.",
           "ol.steps { list-style-type: lower-roman; }"),
      prop("list-style-image", "<uri> | none | inherit", "none", LIST_ITEMS, "yes", None,
           "Image used as the marker; list-style-type is used when the image cannot be loaded.",
           "ul.tasks { list-style-image: url(\"tick.png\"); }"),
      prop("list-style-position", "inside | outside | inherit", "outside", LIST_ITEMS, "yes", None,
           "outside places the marker to the side of the item's box; inside makes it the first inline box of the item's text.",
           "ul.compact { list-style-position: inside; }"),
      prop("list-style", "[ <'list-style-type'> || <'list-style-position'> || <'list-style-image'> ] | inherit", SEE_PARTS, LIST_ITEMS, "yes", None,
           "Sets type, position and image at once.",
           "ul { list-style: square inside; }")]),
    ("generated.html", "Generated content",
     "Content added before or after an element's own content through the :before and :after pseudo-elements, quotation marks, and automatic counters.",
     [prop("content", "normal | none | [ <string> | <uri> | <counter> | attr(<identifier>) | open-quote | close-quote | no-open-quote | no-close-quote ]+ | inherit", "normal", ":before and :after pseudo-elements", "no", None,
           "The content inserted: strings, an image (url()), a counter (counter(name) or counters(name, separator)), the value of an attribute of the element, or quotation marks from quotes. The no- forms only change the nesting level of quotes. normal and none insert nothing.",
           "a[href]:after { content: \" (\" attr(href) \")\"; }"),
      prop("quotes", "[ <string> <string> ]+ | none | inherit", "depends on the user agent", ALL, "yes", None,
           "Pairs of opening and closing quotation marks, one pair for each level of nesting, used by open-quote and close-quote.",
           "q:lang(de) { quotes: \"\\201E\" \"\\201C\" \"\\201A\" \"\\2018\"; }"),
      prop("counter-reset", "[ <identifier> <integer>? ]+ | none | inherit", "none", ALL, "no", None,
           "Resets one or more counters to the given value (default 0), creating a new instance of each for this element and its following siblings.",
           "h1 { counter-reset: section; }"),
      prop("counter-increment", "[ <identifier> <integer>? ]+ | none | inherit", "none", ALL, "no", None,
           "Adds the given value (default 1, may be negative) to one or more counters each time the element occurs.",
           "h2 { counter-increment: section; }\nh2:before { content: counter(section) \". \"; }")]),
    ("paged.html", "Paged media",
     "Page breaks when the document is printed or shown page by page. The page box itself is styled with the @page rule (see the at-rules page).",
     [prop("page-break-before", "auto | always | avoid | left | right | inherit", "auto", PAGE_BREAK_APPLIES, "no", None,
           "Page break before the box: always forces one; left and right force one or two so that the next page is a left or a right page; avoid asks that there be none.",
           "h1 { page-break-before: always; }"),
      prop("page-break-after", "auto | always | avoid | left | right | inherit", "auto", PAGE_BREAK_APPLIES, "no", None,
           "Page break after the box, with the same values as page-break-before.",
           "h2, h3 { page-break-after: avoid; }"),
      prop("page-break-inside", "avoid | auto | inherit", "auto", PAGE_BREAK_APPLIES, "no", None,
           "avoid asks that the box not be split across pages.",
           "table, pre { page-break-inside: avoid; }"),
      prop("orphans", "<integer> | inherit", "2", "block container elements", "yes", None,
           "Least number of lines of a paragraph that must be left at the bottom of a page.",
           "p { orphans: 3; }"),
      prop("widows", "<integer> | inherit", "2", "block container elements", "yes", None,
           "Least number of lines of a paragraph that must be carried to the top of the next page.",
           "p { widows: 3; }")]),
    ("ui.html", "User interface",
     "The pointer shape over an element, and outlines, which are drawn over the box without taking space (often used to show the focus).",
     [prop("cursor", "[ [ <uri> , ]* [ auto | crosshair | default | pointer | move | e-resize | ne-resize | nw-resize | n-resize | se-resize | sw-resize | s-resize | w-resize | text | wait | help | progress ] ] | inherit", "auto", ALL, "yes", None,
           "Pointer shape over the box. Image cursors are tried in order and must be followed by a keyword to fall back on. auto lets the user agent choose from the context.",
           "button { cursor: pointer; }\n.busy { cursor: url(\"busy.cur\"), wait; }"),
      prop("outline-width", "<border-width> | inherit", "medium", ALL, "no", None,
           "Width of the outline: " + BORDER_WIDTHS + ".",
           "a:focus { outline-width: 2px; }"),
      prop("outline-style", "<border-style> | inherit", "none", ALL, "no", None,
           "Style of the outline; the border styles except hidden.",
           "a:focus { outline-style: dotted; }"),
      prop("outline-color", "<color> | invert | inherit", "invert", ALL, "no", None,
           "Colour of the outline; invert inverts the pixels beneath so the outline shows on any background.",
           "input:focus { outline-color: orange; }"),
      prop("outline", "[ <'outline-color'> || <'outline-style'> || <'outline-width'> ] | inherit", SEE_PARTS, ALL, "no", None,
           "Sets colour, style and width of the outline at once. The outline is the same on all sides and may be non-rectangular.",
           "a:focus { outline: 1px dotted black; }")]),
    ("aural.html", "Aural",
     "How a document is rendered as speech, for speech synthesisers and screen readers. These properties are informative in CSS 2.1 and apply to the aural media type.",
     [prop("volume", "<number> | <percentage> | silent | x-soft | soft | medium | loud | x-loud | inherit", "medium", ALL, "yes", "refer to the inherited value",
           "Median volume of the voice, from 0 (softest audible) to 100 (loudest comfortable); x-soft, soft, medium, loud and x-loud stand for 0, 25, 50, 75 and 100; silent means no sound at all.",
           "h1 { volume: loud; }"),
      prop("speak", "normal | none | spell-out | inherit", "normal", ALL, "yes", None,
           "Whether text is spoken, and if so whether normally or letter by letter (spell-out). none skips the element but takes no time.",
           "abbr.letters { speak: spell-out; }"),
      prop("pause-before", "<time> | <percentage> | inherit", "0", ALL, "no", "refer to the inverse of the speech-rate value (100% is the time of one word)",
           "Pause before the element's content is spoken.",
           "h2 { pause-before: 1s; }"),
      prop("pause-after", "<time> | <percentage> | inherit", "0", ALL, "no", "refer to the inverse of the speech-rate value (100% is the time of one word)",
           "Pause after the element's content is spoken.",
           "p { pause-after: 500ms; }"),
      prop("pause", "[ [ <time> | <percentage> ]{1,2} ] | inherit", SEE_PARTS, ALL, "no", "see the individual properties",
           "Sets pause-before and pause-after: one value for both, or before then after.",
           "h1 { pause: 20ms 40ms; }"),
      prop("cue-before", "<uri> | none | inherit", "none", ALL, "no", None,
           "Sound played before the element, such as an audio icon.",
           "a { cue-before: url(\"bell.aiff\"); }"),
      prop("cue-after", "<uri> | none | inherit", "none", ALL, "no", None,
           "Sound played after the element.",
           "a { cue-after: url(\"dong.wav\"); }"),
      prop("cue", "[ <'cue-before'> || <'cue-after'> ] | inherit", SEE_PARTS, ALL, "no", None,
           "Sets cue-before and cue-after: one value for both, or before then after.",
           "h1 { cue: url(\"pop.au\"); }"),
      prop("play-during", "<uri> [ mix || repeat ]? | auto | none | inherit", "auto", ALL, "no", None,
           "Background sound played while the element is spoken. mix keeps the parent's sound playing too; repeat loops a sound that is shorter than the speech; auto continues the parent's sound.",
           "blockquote.sad { play-during: url(\"violins.aiff\") repeat; }"),
      prop("azimuth", "<angle> | [ [ left-side | far-left | left | center-left | center | center-right | right | far-right | right-side ] || behind ] | leftwards | rightwards | inherit", "center", ALL, "yes", None,
           "Horizontal direction the sound seems to come from; leftwards and rightwards turn the inherited angle by 20 degrees.",
           "h1 { azimuth: 30deg; }"),
      prop("elevation", "<angle> | below | level | above | higher | lower | inherit", "level", ALL, "yes", None,
           "Vertical direction the sound seems to come from, from -90deg (below) to 90deg (above); higher and lower change the inherited angle by 10 degrees.",
           "h1 { elevation: above; }"),
      prop("speech-rate", "<number> | x-slow | slow | medium | fast | x-fast | faster | slower | inherit", "medium", ALL, "yes", None,
           "Speaking rate in words per minute; the keywords stand for 80, 120, 180 to 200, 300 and 500, and faster and slower add or take 40 from the inherited rate.",
           "p.quick { speech-rate: fast; }"),
      prop("voice-family", "[ [ <specific-voice> | <generic-voice> ] , ]* [ <specific-voice> | <generic-voice> ] | inherit", "depends on the user agent", ALL, "yes", None,
           "Voices in order of preference; the generic voices are male, female and child.",
           "q.narrator { voice-family: \"Old Tom\", male; }"),
      prop("pitch", "<frequency> | x-low | low | medium | high | x-high | inherit", "medium", ALL, "yes", None,
           "Average pitch of the voice; the keywords depend on the voice family.",
           "h1 { pitch: 120Hz; }"),
      prop("pitch-range", "<number> | inherit", "50", ALL, "yes", None,
           "Variation of the pitch, from 0 (flat, monotone) to 100 (very animated); 50 is normal.",
           "p.lively { pitch-range: 80; }"),
      prop("stress", "<number> | inherit", "50", ALL, "yes", None,
           "Height of the local peaks of the intonation, from 0 to 100; 50 is normal for the language.",
           "strong { stress: 80; }"),
      prop("richness", "<number> | inherit", "50", ALL, "yes", None,
           "Brightness of the voice, from 0 (soft, smooth) to 100 (carrying, rich).",
           "h1 { richness: 90; }"),
      prop("speak-punctuation", "code | none | inherit", "none", ALL, "yes", None,
           "code speaks punctuation aloud; none renders it as pauses and intonation.",
           "pre { speak-punctuation: code; }"),
      prop("speak-numeral", "digits | continuous | inherit", "continuous", ALL, "yes", None,
           "digits speaks a number digit by digit (\"two three seven\"); continuous as a whole number.",
           "td.phone { speak-numeral: digits; }"),
      prop("speak-header", "once | always | inherit", "once", "elements that have table header information", "yes", None,
           "Whether the table headers of a cell are spoken before every cell, or only when they differ from those of the previous cell.",
           "table { speak-header: always; }")]),
]

# Selectors: (pattern, what it matches, example rule).
SELECTORS = [
    ("Simple selectors", "simple", [
        ("*", "Any element.", "* { margin: 0; }"),
        ("E", "Any element of type E.", "p { line-height: 1.4; }"),
        ("E.warning", "An E whose class attribute holds the word warning; several classes may be chained (.a.b).", "p.warning { color: red; }"),
        ("E#intro", "An E whose id is intro.", "div#intro { font-size: 110%; }"),
        ("E[foo]", "An E that has a foo attribute, whatever its value.", "img[title] { border: 1px solid; }"),
        ('E[foo="bar"]', "An E whose foo attribute is exactly bar.", 'input[type="text"] { width: 20em; }'),
        ('E[foo~="bar"]', "An E whose foo attribute is a space-separated list containing the word bar.", 'a[rel~="external"] { color: green; }'),
        ('E[foo|="en"]', "An E whose foo attribute is en or begins with en- (meant for language codes).", '*[lang|="en"] { quotes: "\\201C" "\\201D"; }'),
    ]),
    ("Combinators", "combinators", [
        ("E F", "An F that is a descendant of an E, at any depth.", "ul li { margin: 0; }"),
        ("E > F", "An F that is a child of an E.", "body > p { text-indent: 1em; }"),
        ("E + F", "An F immediately preceded by its sibling E (text between them does not count).", "h1 + p { font-weight: bold; }"),
        ("S1, S2", "Grouping: the rule applies to everything either selector matches.", "h1, h2, h3 { font-family: sans-serif; }"),
    ]),
    ("Pseudo-classes", "pseudo-classes", [
        ("E:first-child", "An E that is the first child element of its parent.", "li:first-child { border-top: none; }"),
        ("E:link", "An E that is the source of a link not yet visited.", "a:link { color: #00c; }"),
        ("E:visited", "An E that is the source of a link already visited.", "a:visited { color: #606; }"),
        ("E:hover", "An E the pointer is over.", "a:hover { text-decoration: underline; }"),
        ("E:active", "An E being activated, e.g. while the mouse button is held down on it.", "a:active { color: red; }"),
        ("E:focus", "An E that has the keyboard focus.", "input:focus { background: #ffc; }"),
        ("E:lang(c)", "An E whose language (from lang attributes, META or the protocol) is c or begins with c-.", "q:lang(fr) { quotes: \"\\AB\" \"\\BB\"; }"),
    ]),
    ("Pseudo-elements", "pseudo-elements", [
        ("E:first-line", "The first formatted line of a block E. Only font, colour, background, text spacing, decoration, case, line-height and similar properties apply.", "p:first-line { font-variant: small-caps; }"),
        ("E:first-letter", "The first letter of a block E, with any punctuation before it; used for drop caps.", "p.first:first-letter { font-size: 300%; float: left; }"),
        ("E:before", "Generated content inserted before E's content (see content).", "h2:before { content: \"\\00A7 \"; }"),
        ("E:after", "Generated content inserted after E's content.", "p.note:after { content: \" (end)\"; }"),
    ]),
]
SPECIFICITY = [
    "When several rules set the same property on an element, the winner is found in this order:",
    "1. Origin and importance: user !important declarations beat author !important declarations, which beat normal author declarations, which beat normal user declarations, which beat the user agent's defaults.",
    "2. Specificity, written a-b-c-d: a is 1 for a style attribute; b counts ids; c counts classes, attribute selectors and pseudo-classes; d counts element names and pseudo-elements. The universal selector counts nothing. Compare a first, then b, and so on.",
    "3. Order: of two equal declarations the later one wins; rules from an imported style sheet count as coming before the rules of the sheet that imports them.",
]
SPECIFICITY_EXAMPLES = [
    ("*", "0-0-0-0"), ("p", "0-0-0-1"), ("div p", "0-0-0-2"), ("ul > li + li", "0-0-0-3"),
    ("p.note", "0-0-1-1"), ("a:hover", "0-0-1-1"), ("input[type=text]", "0-0-1-1"),
    ("#nav a", "0-1-0-1"), ("#nav a.current:hover", "0-1-2-1"), ('style="color: red"', "1-0-0-0"),
]

# At-rules: (keyword, what it does, example).
AT_RULES = [
    ("@charset", "charset",
     "Names the character encoding of an external style sheet. It must be the very first thing in the file, written exactly as @charset \"name\"; with one space and double quotes, and is not allowed in a STYLE element or style attribute. A charset given in the HTTP header takes precedence over it; it in turn takes precedence over the charset attribute of the linking element.",
     "@charset \"UTF-8\";"),
    ("@import", "import",
     "Includes the rules of another style sheet. All @import rules must come before any other rule except @charset; later ones are ignored. A list of media types after the address limits the import to those media.",
     "@import url(\"base.css\");\n@import \"print.css\" print;"),
    ("@media", "media",
     "Groups rules that apply only to the listed media types: all, braille, embossed, handheld, print, projection, screen, speech, tty, tv (aural is an older name for speech). Media names are not case-sensitive; unknown types are ignored.",
     "@media print {\n  body { font-size: 10pt; }\n  #menu { display: none; }\n}"),
    ("@page", "page",
     "Sets the margins of the page box when the document is printed. Only the margin properties apply. :first, :left and :right select the first page and the left- and right-hand pages of double-sided printing.",
     "@page { margin: 2cm; }\n@page :first { margin-top: 4cm; }\n@page :left { margin-left: 3cm; }"),
]

# Value types used in the property tables.
CSS_VALUES = [
    ("length", "<length>", "A number followed by a unit; the unit may be left out after 0. Relative units: em (the element's font size) and ex (its x-height). Absolute units: in, cm, mm, pt (1/72 in), pc (12 pt) and px (1/96 in, which on a screen is about one device pixel)."),
    ("percentage", "<percentage>", "A number followed by %; what it is a percentage of is given for each property."),
    ("number", "<number>, <integer>", "A number, with or without a decimal point and sign; an integer has no decimal point."),
    ("color", "<color>", "A keyword (aqua, black, blue, fuchsia, gray, green, lime, maroon, navy, olive, orange, purple, red, silver, teal, white, yellow), #rgb or #rrggbb in hexadecimal, or rgb(r, g, b) with integers 0 to 255 or percentages."),
    ("uri", "<uri>", "url(address), with or without quotes around the address; relative addresses are resolved against the style sheet, not the document."),
    ("string", "<string>", "Text in double or single quotes. \\ followed by up to six hexadecimal digits writes a character by its code, e.g. \\201C."),
    ("identifier", "<identifier>", "A name such as a counter name: letters, digits, hyphens and underscores, not starting with a digit."),
    ("counter", "<counter>", "counter(name) or counter(name, style) gives the value of the innermost counter of that name; counters(name, \"separator\") or counters(name, \"separator\", style) joins all the nested ones. style is a list-style-type."),
    ("angle", "<angle>, <time>, <frequency>", "Aural values: angles in deg, grad or rad; times in ms or s; frequencies in Hz or kHz."),
    ("inherit", "inherit", "Every property accepts inherit, which takes the parent's computed value even for properties that are not inherited."),
]

# ---------------------------------------------------------------------------------------------
# Writing the pages
# ---------------------------------------------------------------------------------------------

STYLE_SHEET = """\
/* Shared look of the HTML and CSS reference pages. */
body { margin: 1em 2em; font-family: sans-serif; line-height: 1.4; color: #222; background: #fff; }
h1 { font-size: 150%; margin-top: 0.5em; }
h2 { font-size: 120%; margin-top: 1.5em; border-bottom: 1px solid #ccc; }
h3 { font-size: 105%; }
p.nav { margin: 0; font-size: 90%; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; text-align: left; vertical-align: top; }
th { background: #eef; }
pre { background: #f6f6f0; border: 1px solid #ddd; padding: 0.5em; overflow: auto; }
pre, code { font-family: "DejaVu Sans Mono", "Liberation Mono", monospace; }
.flag { color: #a33; font-size: 90%; }
dl.prop dt { font-weight: bold; float: left; clear: left; width: 8em; }
dl.prop dd { margin-left: 8.5em; }
ul.index { padding-left: 1.5em; }
ul.columns li { display: inline; margin-right: 1em; }
"""


def esc(text):
    return html.escape(text, quote=False)


def esc_attr(text):
    return html.escape(text, quote=False).replace('"', "&quot;")


def document(title, body, back=True):
    nav = '<p class="nav"><a href="index.html">Back to index</a></p>\n' if back else ""
    return ('<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN" "http://www.w3.org/TR/html4/strict.dtd">\n'
            '<html lang="en">\n<head>\n'
            '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">\n'
            f"<title>{esc(title)}</title>\n"
            '<link rel="stylesheet" type="text/css" href="../ref.css">\n'
            f"</head>\n<body>\n{nav}{body}</body>\n</html>\n")


def table(summary, head, rows, row_ids=None):
    """A table whose cells are already HTML; row_ids gives an id to each row."""
    out = [f'<table summary="{esc_attr(summary)}">', "<tr>" + "".join(f"<th>{esc(h)}</th>" for h in head) + "</tr>"]
    for i, row in enumerate(rows):
        rid = f' id="{row_ids[i]}"' if row_ids else ""
        out.append(f"<tr{rid}>" + "".join(f"<td>{c}</td>" for c in row) + "</tr>")
    out.append("</table>")
    return "\n".join(out) + "\n"


def example(code):
    return f"<pre>{esc(code)}</pre>\n"


# HTML pages ----------------------------------------------------------------------------------

def attribute_row(attr):
    name, values, meaning, flags = SHARED[attr] if isinstance(attr, str) else attr
    notes = ", ".join(ATTR_FLAGS[f] for f in flags)
    return [f"<code>{esc(name)}</code>", esc(values), esc(meaning),
            f'<span class="flag">{notes}</span>' if notes else ""]


def common_sentence(groups):
    if not groups:
        return "<p>It takes none of the shared attribute groups.</p>\n"
    links = [f'<a href="attributes.html#{COMMON_GROUPS[g][0]}">{COMMON_GROUPS[g][1]}</a>' for g in groups]
    joined = links[0] if len(links) == 1 else ", ".join(links[:-1]) + " and " + links[-1]
    return f"<p>Also takes the {joined}.</p>\n"


def html_element_page(p):
    body = [f"<h1>{esc(p['title'])}</h1>\n", f"<p>{esc(p['purpose'])}</p>\n", "<h2>Tags and status</h2>\n"]
    rows = [[f"<code>{name.upper()}</code>", start, end, STATUS[status]] for name, start, end, status in p["elems"]]
    body.append(table("Start and end tag rules and document types of each element", ["Element", "Start tag", "End tag", "Status"], rows, [e[0] for e in p["elems"]]))
    body.append(f"<p>Content: {esc(p['content'])}</p>\n")
    body.append("<h2>Attributes</h2>\n")
    if p["attrs"]:
        body.append(table("The element's own attributes", ["Attribute", "Values", "Meaning", "Notes"], [attribute_row(a) for a in p["attrs"]]))
    else:
        body.append("<p>No attributes of its own.</p>\n")
    body.append(common_sentence(p["common"]))
    if p["notes"]:
        body.append(f"<p>{esc(p['notes'])}</p>\n")
    body.append("<h2>Example</h2>\n" + example(p["example"]))
    return document(p["title"] + " (HTML 4.01 reference)", "".join(body))


def html_attributes_page():
    def rows(items):
        return [[f"<code>{esc(n)}</code>", esc(v), esc(m)] for n, v, m in items]

    head = ["Attribute", "Values", "Meaning"]
    body = ["<h1>Shared attributes</h1>\n",
            "<p>Most elements take the same groups of attributes. Each element page says which groups it takes; "
            "its own attributes are listed there.</p>\n",
            '<h2 id="coreattrs">Core attributes</h2>\n', table("Core attributes", head, rows(CORE_ATTRS)),
            '<h2 id="i18n">Language attributes</h2>\n', table("Language attributes", head, rows(I18N_ATTRS)),
            '<h2 id="events">Intrinsic events</h2>\n',
            "<p>Script run when something happens to the element; the language comes from the "
            "Content-Script-Type header or META element.</p>\n",
            table("Intrinsic event attributes", ["Attribute", "Values", "Event"], rows(EVENT_ATTRS)),
            '<h2 id="other-events">Events of particular elements</h2>\n',
            table("Event attributes of particular elements", ["Attribute", "Elements", "Event"], rows(OTHER_EVENTS)),
            '<h2 id="types">Value types</h2>\n',
            table("Attribute value types", ["Type", "Meaning"], [[esc(t), esc(m)] for t, m in VALUE_TYPES]),
            "<h2>Example</h2>\n",
            example('<p id="intro" class="lead" lang="en" title="Summary"\n   onclick="toggle(this)">Tap to open.</p>')]
    return document("Shared attributes (HTML 4.01 reference)", "".join(body))


def html_index(pages):
    where = {name: p["file"] for p in pages for name, *_ in p["elems"]}
    status = {name: st for p in pages for name, _, _, st in p["elems"]}
    marks = {"D": " (deprecated)", "L": " (transitional and frameset)", "F": " (frameset)", "S": ""}
    body = ["<h1>HTML 4.01 elements</h1>\n",
            "<p>Every element of HTML 4.01, with its tags, attributes and an example. Elements marked "
            "deprecated or transitional are not allowed in strict documents; frameset elements only in frameset documents. "
            'The attributes most elements share are on the <a href="attributes.html">shared attributes</a> page. '
            'See also the <a href="../css/index.html">CSS 2.1 reference</a>.</p>\n']
    listed = []
    for group, names in HTML_GROUPS:
        body.append(f"<h2>{esc(group)}</h2>\n<ul class=\"index columns\">\n")
        for name in names:
            body.append(f'<li><a href="{where[name]}#{name}">{name.upper()}</a>{marks[status[name]]}</li>\n')
            listed.append(name)
        body.append("</ul>\n")
    missing = set(where) - set(listed)
    assert not missing and len(listed) == len(set(listed)), (missing, listed)
    return document("HTML 4.01 reference", "".join(body), back=False)


# CSS pages -----------------------------------------------------------------------------------

def css_property(p):
    fields = [("Values", p["values"]), ("Initial", p["initial"]), ("Applies to", p["applies"]),
              ("Inherited", p["inherited"])]
    if p["percentages"]:
        fields.append(("Percentages", p["percentages"]))
    items = "".join(f"<dt>{k}</dt><dd>{esc(v)}</dd>\n" for k, v in fields)
    return (f'<h2 id="{p["name"]}">{p["name"]}</h2>\n<p>{esc(p["meaning"])}</p>\n'
            f'<dl class="prop">\n{items}</dl>\n' + example(p["example"]))


def css_group_page(file, title, intro, props):
    body = [f"<h1>{esc(title)}</h1>\n", f"<p>{esc(intro)}</p>\n", '<ul class="columns">\n']
    body += [f'<li><a href="#{p["name"]}">{p["name"]}</a></li>\n' for p in props]
    body.append("</ul>\n")
    body.append('<p>Value types such as &lt;length&gt; are explained on the <a href="values.html">values</a> page.</p>\n')
    body += [css_property(p) for p in props]
    return document(title + " (CSS 2.1 reference)", "".join(body))


def css_selectors_page():
    body = ["<h1>Selectors</h1>\n",
            "<p>A selector picks the elements a rule applies to. Element names are case-insensitive in HTML; "
            "class and id values are case-sensitive.</p>\n"]
    for title, anchor, rows in SELECTORS:
        body.append(f'<h2 id="{anchor}">{esc(title)}</h2>\n')
        body.append(table(title + " with what they match", ["Pattern", "Matches", "Example"],
                          [[f"<code>{esc(s)}</code>", esc(m), f"<code>{esc(e)}</code>"] for s, m, e in rows]))
    body.append('<h2 id="cascade">Cascade and specificity</h2>\n')
    body.append(f"<p>{esc(SPECIFICITY[0])}</p>\n<ol>\n")
    body += [f"<li>{esc(line[3:])}</li>\n" for line in SPECIFICITY[1:]]
    body.append("</ol>\n")
    body.append(table("Example selectors with their specificity", ["Selector", "Specificity"],
                      [[f"<code>{esc(s)}</code>", v] for s, v in SPECIFICITY_EXAMPLES]))
    body.append("<h2>Example</h2>\n" + example(
        "p { color: black; }            /* 0-0-0-1 */\n#intro p { color: navy; }      /* 0-1-0-1: wins */\n"
        "p.lead { color: green !important; }  /* important: wins over both */"))
    return document("Selectors (CSS 2.1 reference)", "".join(body))


def css_at_rules_page():
    body = ["<h1>At-rules</h1>\n",
            "<p>Rules that begin with @ control the style sheet itself rather than styling elements. "
            "A user agent ignores an at-rule it does not know, up to the end of its block or semicolon.</p>\n"]
    for keyword, anchor, meaning, code in AT_RULES:
        body.append(f'<h2 id="{anchor}">{esc(keyword)}</h2>\n<p>{esc(meaning)}</p>\n' + example(code))
    return document("At-rules (CSS 2.1 reference)", "".join(body))


def css_values_page():
    body = ["<h1>Values</h1>\n", "<p>The value types named in the property tables.</p>\n"]
    body.append(table("CSS value types", ["Type", "Meaning"],
                      [[f'<code id="{a}">{esc(t)}</code>', esc(m)] for a, t, m in CSS_VALUES]))
    body.append("<h2>Example</h2>\n" + example(
        'h1 { margin: 0.5em 0; color: #336; background: url("bar.png") repeat-x; }\n'
        'li:before { content: counters(item, ".") " "; }'))
    return document("Values (CSS 2.1 reference)", "".join(body))


def css_index():
    body = ["<h1>CSS 2.1 properties</h1>\n",
            "<p>Every property of CSS 2.1 by group, with its values, initial value, the elements it applies to, "
            'whether it is inherited, and an example. See also the pages on <a href="selectors.html">selectors</a>, '
            '<a href="at-rules.html">at-rules</a> and <a href="values.html">values</a>, and the '
            '<a href="../html/index.html">HTML 4.01 reference</a>.</p>\n']
    for file, title, _, props in CSS_GROUPS:
        body.append(f'<h2><a href="{file}">{esc(title)}</a></h2>\n<ul class="index columns">\n')
        body += [f'<li><a href="{file}#{p["name"]}">{p["name"]}</a></li>\n' for p in props]
        body.append("</ul>\n")
    names = [p["name"] for *_, props in CSS_GROUPS for p in props]
    assert len(names) == len(set(names)), "a property is listed twice"
    return document("CSS 2.1 reference", "".join(body), back=False)


def write(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text, encoding="utf-8")


def main():
    write(ROOT / "ref.css", STYLE_SHEET)
    html_dir, css_dir = ROOT / "html", ROOT / "css"
    for p in HTML_PAGES:
        write(html_dir / p["file"], html_element_page(p))
    write(html_dir / "attributes.html", html_attributes_page())
    write(html_dir / "index.html", html_index(HTML_PAGES))
    for file, title, intro, props in CSS_GROUPS:
        write(css_dir / file, css_group_page(file, title, intro, props))
    write(css_dir / "selectors.html", css_selectors_page())
    write(css_dir / "at-rules.html", css_at_rules_page())
    write(css_dir / "values.html", css_values_page())
    write(css_dir / "index.html", css_index())


if __name__ == "__main__":
    main()
