#!/usr/bin/env python3
"""Writes the 33 skin files 01.she .. 33.she of this folder from a small palette table.

Each skin is the signature ".SHE" followed by a UTF-8 Qt style sheet. The files are committed;
run this script again after changing the table or the template: python3 make_skins.py
Colours are derived from a hue and a structural variant; every text colour is checked for a
minimum contrast against the colour it is drawn on, so no skin becomes unreadable.
"""

import colorsys
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent

# number: (name, hue in degrees, saturation 0..1, variant, dark list header)
# Variants: soft (rounded, gradient buttons, accent line on the current tab), flat (square, solid
# accent buttons, filled current tab), classic (bevelled grey buttons, raised tabs), outline
# (white buttons with an accent border, underlined current tab).
TABLE = {
    1: ("Silver", 215, 0.06, "classic", False),
    2: ("Ocean", 205, 0.70, "soft", False),
    3: ("Forest", 135, 0.45, "flat", False),
    4: ("Sunset", 24, 0.80, "soft", False),
    5: ("Rose", 345, 0.55, "outline", False),
    6: ("Lavender", 265, 0.45, "soft", True),
    7: ("Teal", 180, 0.60, "flat", True),
    8: ("Graphite", 220, 0.10, "flat", True),
    9: ("Sand", 40, 0.45, "classic", False),
    10: ("Mint", 155, 0.50, "outline", False),
    11: ("Crimson", 355, 0.70, "flat", False),
    12: ("Sky", 198, 0.75, "outline", True),
    # 13 is the skin the program uses; its colours are set by hand below.
    13: ("Harbour", 212, 0.45, "harbour", False),
    14: ("Amber", 38, 0.85, "flat", True),
    15: ("Plum", 300, 0.35, "soft", False),
    16: ("Olive", 70, 0.45, "classic", True),
    17: ("Steel", 205, 0.22, "outline", True),
    18: ("Coral", 10, 0.70, "soft", True),
    19: ("Indigo", 235, 0.55, "flat", False),
    20: ("Jade", 165, 0.55, "soft", False),
    21: ("Copper", 20, 0.55, "classic", False),
    22: ("Ice", 190, 0.40, "outline", False),
    23: ("Berry", 325, 0.55, "flat", True),
    24: ("Moss", 95, 0.35, "soft", False),
    25: ("Navy", 222, 0.60, "classic", True),
    26: ("Peach", 28, 0.65, "outline", True),
    27: ("Aqua", 188, 0.70, "soft", True),
    28: ("Charcoal", 200, 0.05, "outline", False),
    29: ("Lilac", 280, 0.40, "classic", False),
    30: ("Ruby", 340, 0.65, "soft", False),
    31: ("Pine", 150, 0.45, "classic", True),
    32: ("Cocoa", 25, 0.30, "flat", False),
    33: ("Cobalt", 225, 0.75, "outline", False),
}


def hsl(h, s, l):
    r, g, b = colorsys.hls_to_rgb((h % 360) / 360.0, max(0.0, min(1.0, l)), max(0.0, min(1.0, s)))
    return "#%02x%02x%02x" % (round(r * 255), round(g * 255), round(b * 255))


def luminance(colour):
    def channel(v):
        v = v / 255.0
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4

    r, g, b = (int(colour[i:i + 2], 16) for i in (1, 3, 5))
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def darken_until(h, s, l, against, ratio):
    """The colour hsl(h, s, l) made darker until it reaches `ratio` against `against`."""
    while l > 0.05 and contrast(hsl(h, s, l), against) < ratio:
        l -= 0.01
    return hsl(h, s, l)


def palette(number):
    name, h, s, variant, dark_header = TABLE[number]
    p = {"name": name, "variant": variant}
    p["bg"] = hsl(h, s * 0.30, 0.935)
    p["pane"] = hsl(h, s * 0.30, 0.975)
    p["border"] = hsl(h, s * 0.25, 0.70)
    p["border_soft"] = hsl(h, s * 0.25, 0.80)
    p["fg"] = darken_until(h, s * 0.35, 0.18, p["bg"], 10.0)
    p["input_bg"] = "#ffffff"
    p["input_fg"] = "#1a1a1a"
    p["accent"] = darken_until(h, s, 0.42, "#ffffff", 4.8)
    p["accent_dark"] = darken_until(h, s, 0.32, "#ffffff", 7.0)
    p["accent_light"] = hsl(h, s * 0.8, 0.88)
    p["hover"] = hsl(h, s * 0.55, 0.90)
    p["sel_bg"] = hsl(h, s * 0.70, 0.84)
    p["sel_fg"] = darken_until(h, s * 0.5, 0.15, p["sel_bg"], 9.0)
    p["grid"] = hsl(h, s * 0.20, 0.86)
    p["tab_bg"] = hsl(h, s * 0.30, 0.88)
    p["tab_fg"] = darken_until(h, s * 0.35, 0.30, p["tab_bg"], 6.5)
    p["disabled_bg"] = hsl(h, s * 0.10, 0.90)
    p["disabled_fg"] = darken_until(h, s * 0.08, 0.58, p["disabled_bg"], 3.2)
    p["disabled_border"] = hsl(h, s * 0.10, 0.80)
    p["scroll_handle"] = hsl(h, s * 0.25, 0.72)
    if dark_header:
        p["header_bg"] = p["accent_dark"]
        p["header_bg2"] = darken_until(h, s, 0.28, "#ffffff", 8.0)
        p["header_fg"] = "#ffffff"
        p["header_line"] = hsl(h, s * 0.6, 0.45)
    else:
        p["header_bg"] = hsl(h, s * 0.30, 0.92)
        p["header_bg2"] = hsl(h, s * 0.30, 0.86)
        p["header_fg"] = p["fg"]
        p["header_line"] = p["border_soft"]
    if number == 13:
        # Harbour: calm slate-blue on near-white, light selection, quiet borders.
        p.update({
            "bg": "#f2f4f7", "pane": "#fbfcfd", "border": "#b8c2ce", "border_soft": "#d3d9e1",
            "fg": "#1f2933", "accent": "#2f6aa8", "accent_dark": "#24548a", "accent_light": "#dbe7f5",
            "hover": "#e6eef8", "sel_bg": "#cfe0f4", "sel_fg": "#0f2540", "grid": "#e1e6ec",
            "tab_bg": "#e6eaef", "tab_fg": "#3e4c5c", "disabled_bg": "#eceff3",
            "disabled_fg": "#7b8794", "disabled_border": "#d3d9e1", "scroll_handle": "#bcc6d2",
            "header_bg": "#f1f4f8", "header_bg2": "#e4e9ef", "header_fg": "#2b3a4b",
            "header_line": "#d3d9e1",
        })
    check(number, p)
    return p


def check(number, p):
    pairs = [("fg", "bg"), ("fg", "pane"), ("input_fg", "input_bg"), ("sel_fg", "sel_bg"),
             ("tab_fg", "tab_bg"), ("header_fg", "header_bg"), ("header_fg", "header_bg2"),
             ("disabled_fg", "disabled_bg")]
    for fg, bg in pairs:
        minimum = 3.0 if fg == "disabled_fg" else 4.5
        if contrast(p[fg], p[bg]) < minimum:
            sys.exit("skin %d: %s on %s has contrast %.2f" % (number, fg, bg, contrast(p[fg], p[bg])))
    # The window's labels draw pure blue and pure red on the window background.
    for label in ("#0000ff", "#ff0000"):
        if contrast(label, p["bg"]) < 3.0:
            sys.exit("skin %d: label colour %s unreadable on %s" % (number, label, p["bg"]))


def variant_rules(p):
    v = p["variant"]
    if v in ("soft", "harbour"):
        radius = 4 if v == "soft" else 3
        button = f"""
QPushButton {{
    color: {p['fg']};
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 {p['tab_bg']});
    border: 1px solid {p['border']};
    border-radius: {radius}px;
    padding: 3px 8px;
}}
QPushButton:hover {{
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 {p['hover']});
    border-color: {p['accent']};
}}
QPushButton:pressed {{
    background-color: {p['accent_light']};
    border-color: {p['accent_dark']};
    padding-top: 4px;
    padding-bottom: 2px;
}}
QPushButton:focus {{
    border-color: {p['accent']};
}}"""
        tabs = f"""
QTabBar::tab {{
    color: {p['tab_fg']};
    background-color: {p['tab_bg']};
    border: 1px solid {p['border_soft']};
    border-bottom: none;
    border-top-left-radius: {radius}px;
    border-top-right-radius: {radius}px;
    padding: 3px 5px;
    margin-right: 2px;
    margin-top: 2px;
}}
QTabBar::tab:hover:!selected {{
    background-color: {p['hover']};
}}
QTabBar::tab:selected {{
    color: {p['accent_dark']};
    background-color: {p['pane']};
    border-color: {p['border']};
    border-top: 2px solid {p['accent']};
    margin-top: 0px;
}}"""
    elif v == "flat":
        radius = 0
        button = f"""
QPushButton {{
    color: #ffffff;
    background-color: {p['accent']};
    border: 1px solid {p['accent_dark']};
    border-radius: 0px;
    padding: 3px 8px;
}}
QPushButton:hover {{
    background-color: {p['accent_dark']};
}}
QPushButton:pressed {{
    background-color: {p['header_bg2'] if p['header_fg'] == '#ffffff' else p['accent_dark']};
    border-color: {p['fg']};
    padding-top: 4px;
    padding-bottom: 2px;
}}
QPushButton:focus {{
    border-color: {p['fg']};
}}"""
        tabs = f"""
QTabBar::tab {{
    color: {p['tab_fg']};
    background-color: {p['tab_bg']};
    border: 1px solid {p['border_soft']};
    padding: 3px 5px;
    margin-right: 1px;
}}
QTabBar::tab:hover:!selected {{
    background-color: {p['hover']};
}}
QTabBar::tab:selected {{
    color: #ffffff;
    background-color: {p['accent']};
    border-color: {p['accent_dark']};
}}"""
    elif v == "classic":
        radius = 2
        button = f"""
QPushButton {{
    color: {p['fg']};
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:0.5 {p['bg']}, stop:1 {p['tab_bg']});
    border: 1px solid {p['border']};
    border-bottom-color: {p['scroll_handle']};
    border-radius: 2px;
    padding: 3px 8px;
}}
QPushButton:hover {{
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 {p['hover']});
    border-color: {p['accent']};
}}
QPushButton:pressed {{
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 {p['tab_bg']}, stop:1 {p['bg']});
    border-color: {p['accent_dark']};
    padding-top: 4px;
    padding-bottom: 2px;
}}
QPushButton:focus {{
    border-color: {p['accent']};
}}"""
        tabs = f"""
QTabBar::tab {{
    color: {p['tab_fg']};
    background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 {p['pane']}, stop:1 {p['tab_bg']});
    border: 1px solid {p['border']};
    border-bottom: none;
    border-top-left-radius: 2px;
    border-top-right-radius: 2px;
    padding: 3px 5px;
    margin-top: 2px;
}}
QTabBar::tab:hover:!selected {{
    background-color: {p['hover']};
}}
QTabBar::tab:selected {{
    color: {p['fg']};
    background-color: {p['pane']};
    margin-top: 0px;
    margin-left: -1px;
    margin-right: -1px;
}}
QTabBar::tab:first:selected {{
    margin-left: 0px;
}}"""
    else:  # outline
        radius = 3
        button = f"""
QPushButton {{
    color: {p['accent_dark']};
    background-color: #ffffff;
    border: 1px solid {p['accent']};
    border-radius: 3px;
    padding: 3px 8px;
}}
QPushButton:hover {{
    background-color: {p['accent_light']};
}}
QPushButton:pressed {{
    color: #ffffff;
    background-color: {p['accent']};
    padding-top: 4px;
    padding-bottom: 2px;
}}
QPushButton:focus {{
    border: 2px solid {p['accent']};
    padding: 2px 7px;
}}"""
        tabs = f"""
QTabBar::tab {{
    color: {p['tab_fg']};
    background-color: transparent;
    border: none;
    border-bottom: 2px solid transparent;
    padding: 3px 5px;
    margin-right: 1px;
}}
QTabBar::tab:hover:!selected {{
    color: {p['accent_dark']};
    border-bottom-color: {p['accent_light']};
}}
QTabBar::tab:selected {{
    color: {p['accent_dark']};
    border-bottom-color: {p['accent']};
}}"""
    return radius, button, tabs


def sheet(number):
    p = palette(number)
    radius, button, tabs = variant_rules(p)
    pane_radius = min(radius, 3)
    pane_border = "none" if p["variant"] == "outline" else f"1px solid {p['border']}"
    pane_top = (f"border-top: 1px solid {p['border']};" if p["variant"] == "outline" else "")
    header_section = (
        f"qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 {p['header_bg']}, stop:1 {p['header_bg2']})")
    return f"""/* Kestrelfind skin {number}: {p['name']} */

/* Surfaces. Labels keep their own text colours: no rule here sets a label's colour. */
QWidget {{
    background-color: {p['bg']};
}}
QLabel, QRadioButton, QCheckBox {{
    background-color: transparent;
}}
QToolTip {{
    color: {p['fg']};
    background-color: {p['pane']};
    border: 1px solid {p['border']};
    padding: 2px;
}}

/* Tab control */
QTabWidget::pane {{
    background-color: {p['pane']};
    border: {pane_border};
    {pane_top}
    border-radius: {pane_radius}px;
    border-top-left-radius: 0px;
    top: -1px;
}}
QTabWidget QStackedWidget, QTabWidget QStackedWidget > QWidget {{
    background-color: {p['pane']};
}}
QTabBar {{
    background-color: transparent;
}}{tabs}
QTabBar::tab:disabled {{
    color: {p['disabled_fg']};
}}

/* Site buttons */
QRadioButton {{
    color: {p['fg']};
    spacing: 3px;
    padding: 0px;
}}
QRadioButton:hover {{
    color: {p['accent_dark']};
}}
QRadioButton:disabled {{
    color: {p['disabled_fg']};
}}
QRadioButton::indicator {{
    width: 9px;
    height: 9px;
    border: 1px solid {p['border']};
    border-radius: 5px;
    background-color: {p['input_bg']};
}}
QRadioButton::indicator:hover {{
    border-color: {p['accent']};
    background-color: {p['hover']};
}}
QRadioButton::indicator:checked {{
    border-color: {p['accent']};
    background-color: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,
        stop:0 {p['accent']}, stop:0.5 {p['accent']}, stop:0.62 {p['input_bg']}, stop:1 {p['input_bg']});
}}
QRadioButton::indicator:disabled {{
    border-color: {p['disabled_border']};
    background-color: {p['disabled_bg']};
}}

/* Check box */
QCheckBox {{
    color: {p['fg']};
    spacing: 4px;
    padding: 0px;
}}
QCheckBox:hover {{
    color: {p['accent_dark']};
}}
QCheckBox:disabled {{
    color: {p['disabled_fg']};
}}
QCheckBox::indicator {{
    width: 11px;
    height: 11px;
    border: 1px solid {p['border']};
    border-radius: {min(radius, 2)}px;
    background-color: {p['input_bg']};
}}
QCheckBox::indicator:hover {{
    border-color: {p['accent']};
    background-color: {p['hover']};
}}
QCheckBox::indicator:checked {{
    border-color: {p['accent_dark']};
    background-color: qlineargradient(x1:0, y1:0, x2:1, y2:1,
        stop:0 {p['accent']}, stop:1 {p['accent_dark']});
}}
QCheckBox::indicator:disabled {{
    border-color: {p['disabled_border']};
    background-color: {p['disabled_bg']};
}}

/* Buttons */{button}
QPushButton:disabled {{
    color: {p['disabled_fg']};
    background-color: {p['disabled_bg']};
    border: 1px solid {p['disabled_border']};
}}

/* Keyword box */
QLineEdit {{
    color: {p['input_fg']};
    background-color: {p['input_bg']};
    border: 1px solid {p['border']};
    border-radius: {min(radius, 3)}px;
    padding: 1px 4px;
    selection-color: {p['sel_fg']};
    selection-background-color: {p['sel_bg']};
}}
QLineEdit:hover {{
    border-color: {p['accent_light'] if p['variant'] != 'flat' else p['accent']};
}}
QLineEdit:focus {{
    border-color: {p['accent']};
}}
QLineEdit:disabled {{
    color: {p['disabled_fg']};
    background-color: {p['disabled_bg']};
}}

/* Result count box */
QComboBox {{
    color: {p['input_fg']};
    background-color: {p['input_bg']};
    border: 1px solid {p['border']};
    border-radius: {min(radius, 2)}px;
    padding: 0px 2px 0px 4px;
}}
QComboBox:hover, QComboBox:focus {{
    border-color: {p['accent']};
}}
/* The drop-down part has no background or border of its own, so the platform draws its arrow. */
QComboBox::drop-down {{
    subcontrol-origin: padding;
    subcontrol-position: center right;
    width: 14px;
}}
QComboBox QAbstractItemView {{
    color: {p['input_fg']};
    background-color: {p['input_bg']};
    border: 1px solid {p['border']};
    outline: 0px;
    selection-color: {p['sel_fg']};
    selection-background-color: {p['sel_bg']};
}}

/* Result list */
QTreeView, QTableView, QListView {{
    color: {p['input_fg']};
    background-color: {p['input_bg']};
    alternate-background-color: {p['pane']};
    border: 1px solid {p['border']};
    gridline-color: {p['grid']};
    selection-color: {p['sel_fg']};
    selection-background-color: {p['sel_bg']};
    outline: 0px;
}}
QTreeView:disabled, QTableView:disabled {{
    color: {p['disabled_fg']};
    background-color: {p['pane']};
}}
QTreeView::item {{
    border: none;
    border-right: 1px solid {p['grid']};
    border-bottom: 1px solid {p['grid']};
    padding: 1px 2px;
}}
QTreeView::item:hover, QTableView::item:hover {{
    color: {p['input_fg']};
    background-color: {p['hover']};
}}
QTreeView::item:selected, QTableView::item:selected {{
    color: {p['sel_fg']};
    background-color: {p['sel_bg']};
}}
QHeaderView {{
    background-color: {p['header_bg']};
    border: none;
}}
QHeaderView::section {{
    color: {p['header_fg']};
    background-color: {header_section};
    border: none;
    border-right: 1px solid {p['header_line']};
    border-bottom: 1px solid {p['border']};
    padding: 2px 4px;
}}
QHeaderView::section:hover {{
    background-color: {p['hover'] if p['header_fg'] != '#ffffff' else p['accent']};
}}
QHeaderView::section:pressed {{
    background-color: {p['sel_bg'] if p['header_fg'] != '#ffffff' else p['header_bg2']};
}}
QTableCornerButton::section {{
    background-color: {p['header_bg']};
    border: none;
    border-right: 1px solid {p['header_line']};
    border-bottom: 1px solid {p['border']};
}}

/* Scroll bars of the list */
QScrollBar:vertical {{
    background-color: {p['pane']};
    width: 12px;
    margin: 0px;
    border: none;
}}
QScrollBar:horizontal {{
    background-color: {p['pane']};
    height: 12px;
    margin: 0px;
    border: none;
}}
QScrollBar::handle:vertical {{
    background-color: {p['scroll_handle']};
    min-height: 20px;
    margin: 2px;
    border-radius: 4px;
}}
QScrollBar::handle:horizontal {{
    background-color: {p['scroll_handle']};
    min-width: 20px;
    margin: 2px;
    border-radius: 4px;
}}
QScrollBar::handle:hover {{
    background-color: {p['accent']};
}}
QScrollBar::add-line, QScrollBar::sub-line {{
    width: 0px;
    height: 0px;
    border: none;
    background: none;
}}
QScrollBar::add-page, QScrollBar::sub-page {{
    background: none;
}}

/* Statistics group */
QGroupBox {{
    color: {p['fg']};
    background-color: transparent;
    border: 1px solid {p['border']};
    border-radius: {min(radius, 3)}px;
    margin-top: 7px;
}}
QGroupBox::title {{
    subcontrol-origin: margin;
    subcontrol-position: top left;
    left: 6px;
    padding: 0px 3px;
    color: {p['accent_dark']};
    background-color: {p['bg']};
}}

/* Message boxes */
QMessageBox QPushButton {{
    min-width: 64px;
    min-height: 20px;
}}
"""


def main():
    for number in sorted(TABLE):
        data = b".SHE" + sheet(number).encode("utf-8")
        (HERE / ("%02d.she" % number)).write_bytes(data)
    print("wrote %d skins to %s" % (len(TABLE), HERE))


if __name__ == "__main__":
    main()
