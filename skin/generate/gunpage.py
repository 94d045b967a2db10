"""Writes MS/MS_1/gunpage.xml (the recoil pattern library): the list, 30 numbered shot rows and
the place of the pattern's plot."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from designer import *  # noqa: E402,F403

SHOTS = 30


def step_button(name, text, tip):
    return W('QPushButton', name, {'fixed': (26, 26), 'text': text, 'toolTip': tip,
                                   'focusPolicy': ('enum', 'Qt::NoFocus'), 'enabled': False})


def value(n, field, minus, plus, width):
    return [
        W('QLineEdit', f'edit_zidan_{field}_{n}', {'fixed': (width, 28), 'maxLength': 6, 'enabled': False,
                                                  'alignment': ('set', 'Qt::AlignRight|Qt::AlignVCenter')}),
        step_button(minus, 'gun_minus_text', f'gun_{field}_minus_tip'),
        step_button(plus, 'gun_plus_text', f'gun_{field}_plus_tip'),
    ]


def row(n):
    return box(f'ver_zidan_{n}', hbox(f'zidan_layout_{n}', [
        W('QLabel', f'zidan_number_{n}', {'fixedw': 28, 'text': ('raw', str(n)), 'class': 'caption'}),
        # The x buttons are named the other way round: "down" adds and "up" subtracts.
        *value(n, 'x', f'zidan_x_up_btn_{n}', f'zidan_x_down_btn_{n}', 64),
        ('h', f'zidan_gap_x_{n}'),
        *value(n, 'y', f'zidan_y_down_btn_{n}', f'zidan_y_up_btn_{n}', 64),
        ('h', f'zidan_gap_y_{n}'),
        *value(n, 'delay', f'zidan_delay_down_btn_{n}', f'zidan_delay_up_btn_{n}', 70),
    ], 4, (0, 0, 8, 0)), {'fixedh': 32})


title = box('gun_title_bar', hbox('gun_title_layout', [
    label('title_string', 'gun_title_text'),
    ('h', 'gun_title_spacer'),
    btn('btn_exit', None, 32, 32, cls='title_button', tip='close_text', focus='Qt::TabFocus'),
], 8, (20, 0, 12, 0)), {'fixedh': 44})

library = box('gun_library_column', vbox('gun_library_layout', [
    label('gun_library_caption', 'gun_list_caption_text', cls='caption'),
    W('QListWidget', 'gun_list', {'horizontalScrollBarPolicy': ('enum', 'Qt::ScrollBarAlwaysOff')}),
    hbox('gun_manage_layout', [
        btn('add_btn', 'gun_add_text', tip='gun_add_tip'),
        btn('delete_btn', 'gun_delete_text', tip='gun_delete_tip'),
    ], 6),
    btn('rename_btn', 'gun_rename_text', tip='gun_rename_tip'),
    hbox('gun_exchange_layout', [
        btn('import_btn', 'gun_import_text', tip='gun_import_tip'),
        btn('export_btn', 'gun_export_text', tip='gun_export_tip'),
    ], 6),
], 8, (0, 0, 0, 0)), {'fixedw': 220})

headings = box('gun_headings', hbox('gun_headings_layout', [
    label('gun_number_heading', 'gun_number_heading_text', cls='caption', extra={'fixedw': 28}),
    label('gun_x_heading', 'gun_x_heading_text', cls='caption', extra={'fixedw': 124}),
    ('h', 'gun_heading_gap_x'),
    label('gun_y_heading', 'gun_y_heading_text', cls='caption', extra={'fixedw': 124}),
    ('h', 'gun_heading_gap_y'),
    label('gun_delay_heading', 'gun_delay_heading_text', cls='caption', extra={'fixedw': 130}),
], 4, (0, 0, 26, 0)), {'fixedh': 22})

rows = W('QWidget', 'gun_rows', {}, vbox('gun_rows_layout', [row(n) for n in range(1, SHOTS + 1)]
                                         + [('v', 'gun_rows_spacer')], 2, (0, 0, 0, 0)))
scroll = W('QScrollArea', 'gun_rows_scroll', {
    'frameShape': ('enum', 'QFrame::NoFrame'),
    'horizontalScrollBarPolicy': ('enum', 'Qt::ScrollBarAlwaysOff'),
    'widgetResizable': True}, None, [rows])

shots = box('gun_shots_column', vbox('gun_shots_layout', [
    hbox('gun_count_layout', [
        label('gun_count_caption', 'gun_count_caption_text', cls='caption'),
        W('QComboBox', 'combo_gun', {'fixed': (80, 30), 'enabled': False, 'maxVisibleItems': 12,
                                     'items': [str(n) for n in range(1, SHOTS + 1)]}),
        ('h', 'gun_count_spacer'),
    ], 8),
    label('gun_save_status', '', wrap=True, extra={'visible': False}),
    headings,
    scroll,
], 8, (0, 0, 0, 0)))

plot = box('gun_plot_column', vbox('gun_plot_layout', [
    label('gun_plot_caption', 'gun_plot_caption_text', cls='caption'),
    W('QWidget', 'gun_plot', {'fixed': (240, 300)}),
    label('gun_plot_hint', 'gun_plot_hint_text', cls='hint', wrap=True),
    ('v', 'gun_plot_spacer'),
], 8, (0, 0, 0, 0)), {'fixedw': 240})

root = W('QWidget', 'gun_root', {'geometry': ('rect', 1000, 660), 'caption': 44}, vbox('gun_layout', [
    title,
    box('gun_body', hbox('gun_body_layout', [library, shots, plot], 20, (20, 16, 20, 20))),
], 0, (1, 1, 1, 1)))

with open(os.path.join(SKIN, 'MS/MS_1/gunpage.xml'), 'w') as out:
    out.write(document('GunPage', root,
                       'The recoil pattern library, written by generate/gunpage.py: edit that and run it. '
                       'Keep the control names.'))
