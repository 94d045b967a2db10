"""A small writer of Qt Designer layouts, for the skin's windows that are easier to read as code
than as XML (many alike rows). Run a generator after editing it; the layouts it writes are
committed, so nothing here runs at build time."""
import os
from xml.sax.saxutils import escape

SKIN = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
class W:
    def __init__(s, cls, name, props=None, layout=None, children=None, attrs=None):
        s.cls, s.name, s.props, s.layout, s.children = cls, name, props or {}, layout, children or []
        s.attrs = attrs or {}
def prop(k, v, stdset=True, ind=''):
    a = '' if stdset else ' stdset="0"'
    if isinstance(v, bool): body = f'<bool>{"true" if v else "false"}</bool>'
    elif isinstance(v, int): body = f'<number>{v}</number>'
    elif isinstance(v, tuple) and v[0] == 'size': body = f'<size><width>{v[1]}</width><height>{v[2]}</height></size>'
    elif isinstance(v, tuple) and v[0] == 'rect': body = f'<rect><x>0</x><y>0</y><width>{v[1]}</width><height>{v[2]}</height></rect>'
    elif isinstance(v, tuple) and v[0] == 'enum': body = f'<enum>{v[1]}</enum>'
    elif isinstance(v, tuple) and v[0] == 'set': body = f'<set>{v[1]}</set>'
    elif isinstance(v, tuple) and v[0] == 'raw': body = f'<string notr="true">{escape(v[1])}</string>'
    else: body = f'<string>{escape(v)}</string>'
    return f'{ind}<property name="{k}"{a}>{body}</property>\n'
CUSTOM = {'class', 'resourcetext', 'group', 'caption', 'virtualwnd', 'bkimage'}
def widget(w, ind):
    out = f'{ind}<widget class="{w.cls}" name="{w.name}">\n'
    for k, v in w.props.items():
        if k == 'fixed':
            out += prop('minimumSize', ('size',) + v, ind=ind + ' ') + prop('maximumSize', ('size',) + v, ind=ind + ' ')
        elif k == 'fixedh':
            out += prop('minimumSize', ('size', 0, v), ind=ind + ' ') + prop('maximumSize', ('size', 16777215, v), ind=ind + ' ')
        elif k == 'fixedw':
            out += prop('minimumSize', ('size', v, 0), ind=ind + ' ') + prop('maximumSize', ('size', v, 16777215), ind=ind + ' ')
        elif k == 'items':
            # Numbers are shown as they are; anything else is a text id.
            for it in v:
                notr = ' notr="true"' if it.isdigit() else ''
                out += f'{ind} <item>\n{ind}  <property name="text"><string{notr}>{it}</string></property>\n{ind} </item>\n'
        else:
            out += prop(k, v if k != 'class' else ('raw', v), stdset=k not in CUSTOM, ind=ind + ' ')
    if w.layout: out += layout(w.layout, ind + ' ')
    for child in w.children: out += widget(child, ind + ' ')
    out += f'{ind}</widget>\n'
    return out
class L:
    def __init__(s, cls, name, items, spacing=None, margins=None):
        s.cls, s.name, s.items, s.spacing, s.margins = cls, name, items, spacing, margins
def layout(l, ind):
    out = f'{ind}<layout class="{l.cls}" name="{l.name}">\n'
    if l.spacing is not None: out += prop('spacing', l.spacing, ind=ind + ' ')
    if l.margins is not None:
        for k, v in zip(('leftMargin', 'topMargin', 'rightMargin', 'bottomMargin'), l.margins):
            out += prop(k, v, ind=ind + ' ')
    for it in l.items:
        out += f'{ind} <item>\n'
        if isinstance(it, W): out += widget(it, ind + '  ')
        elif isinstance(it, L): out += layout(it, ind + '  ')
        else:  # spacer: ('h'|'v', name)
            o = 'Qt::Horizontal' if it[0] == 'h' else 'Qt::Vertical'
            out += (f'{ind}  <spacer name="{it[1]}">\n' + prop('orientation', ('enum', o), ind=ind + '   ') +
                    prop('sizeHint', ('size', 0, 0), stdset=False, ind=ind + '   ') + f'{ind}  </spacer>\n')
        out += f'{ind} </item>\n'
    out += f'{ind}</layout>\n'
    return out
def document(cls, root, comment=None):
    c = f'<!-- {comment} -->\n' if comment else ''
    return f'<?xml version="1.0" encoding="UTF-8"?>\n{c}<ui version="4.0">\n <class>{cls}</class>\n' + widget(root, ' ') + ' <resources/>\n <connections/>\n</ui>\n'

# Controls as the skin uses them.
def btn(name, text, w=None, h=30, cls=None, tip=None, checkable=False, focus='Qt::StrongFocus', enabled=True):
    p = {}
    if w: p['fixed'] = (w, h)
    else: p['fixedh'] = h
    if text: p['text'] = text
    if tip: p['toolTip'] = tip
    if checkable: p['checkable'] = True
    if not enabled: p['enabled'] = False
    p['focusPolicy'] = ('enum', focus)
    if cls: p['class'] = cls
    return W('QPushButton', name, p)
def label(name, text, cls=None, wrap=False, extra=None):
    p = {'text': text}
    if wrap: p['wordWrap'] = True
    if cls: p['class'] = cls
    if extra: p.update(extra)
    return W('QLabel', name, p)
def edit(name, text=None, w=None, maxlen=None, tip=None, ro=False, ph=None):
    p = {}
    if w: p['fixed'] = (w, 30)
    else: p['fixedh'] = 30
    if text is not None: p['text'] = text
    if maxlen: p['maxLength'] = maxlen
    if tip: p['toolTip'] = tip
    if ph: p['placeholderText'] = ph
    if ro: p['readOnly'] = True
    return W('QLineEdit', name, p)
def hbox(name, items, spacing=8, margins=None): return L('QHBoxLayout', name, items, spacing, margins)
def vbox(name, items, spacing=8, margins=None): return L('QVBoxLayout', name, items, spacing, margins)
def box(name, lay, props=None): return W('QWidget', name, props or {}, lay)

