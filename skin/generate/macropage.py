"""Writes MS/MS_1/ms_1_macropage.xml (the macro library) and keylistitem.xml (its action rows)."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from designer import *  # noqa: E402,F403

title = box('macro_title_bar', hbox('macro_title_layout', [
    label('title_string', 'macro_title_text'),
    ('h', 'macro_title_spacer'),
    btn('btn_exit', None, 32, 32, cls='title_button', tip='close_text', focus='Qt::TabFocus'),
], 8, (20, 0, 12, 0)), {'fixedh': 44})

library = box('macro_library_column', vbox('macro_library_layout', [
    label('macro_library_caption', 'macro_list_caption_text', cls='caption'),
    W('QListWidget', 'ms_1_macro_list', {'horizontalScrollBarPolicy': ('enum', 'Qt::ScrollBarAlwaysOff')}),
    box('ms_1_macro_savedata_tab', hbox('macro_savedata_layout', [
        btn('ms_1_macro_add_btn', 'macro_add_text', tip='macro_add_tip'),
        btn('ms_1_macro_delete_btn', 'macro_delete_text', tip='macro_delete_tip'),
    ], 8, (0, 0, 0, 0))),
    box('ms_1_macro_exportorimport_tab', hbox('macro_exchange_layout', [
        btn('ms_1_macro_import_btn', 'macro_import_text', tip='macro_import_tip'),
        btn('ms_1_macro_export_btn', 'macro_export_text', tip='macro_export_tip'),
    ], 8, (0, 0, 0, 0))),
], 8, (0, 0, 0, 0)), {'fixedw': 230})

actions = box('macro_actions_column', vbox('macro_actions_layout', [
    hbox('macro_actions_head', [
        label('macro_actions_caption', 'macro_actions_caption_text', cls='caption'),
        ('h', 'macro_actions_head_spacer'),
        label('ms_1_macro_summary', ''),
    ], 8),
    label('ms_1_macro_save_status', '', wrap=True),
    W('QListWidget', 'ms_1_macro_action_list', {'horizontalScrollBarPolicy': ('enum', 'Qt::ScrollBarAlwaysOff')}),
    hbox('macro_action_buttons', [
        btn('ms_1_macro_up_btn', 'macro_up_text', tip='macro_up_tip'),
        btn('ms_1_macro_down_btn', 'macro_down_text', tip='macro_down_tip'),
        btn('ms_1_macro_delete_action_btn', 'macro_delete_action_text', tip='macro_delete_action_tip'),
        btn('ms_1_macro_clear_action_btn', 'macro_clear_action_text', tip='macro_clear_action_tip'),
    ], 8),
], 8, (0, 0, 0, 0)))

mouse_keys = [btn(f'ms_1_macro_key{n}_btn', f'macro_key{n}_text') for n in range(1, 6)]
key_page = box('macro_key_editor', vbox('macro_key_editor_layout', [
    label('macro_key_caption', 'macro_key_caption_text', cls='caption'),
    edit('ms_1_macro_action_edit', ro=True, tip='macro_key_capture_tip', ph='macro_key_capture_tip'),
    label('macro_delay_caption', 'macro_delay_caption_text', cls='caption'),
    edit('ms_1_macro_delay_edit', maxlen=5),
    ('v', 'macro_key_editor_spacer'),
], 6, (0, 0, 0, 0)))
mouse_page = box('macro_mouse_editor', vbox('macro_mouse_editor_layout', [
    label('macro_button_caption', 'macro_button_caption_text', cls='caption'),
    W('QComboBox', 'ms_1_macro_mouse_action_combo', {'fixedh': 30, 'items': [f'macro_key{n}_text' for n in range(1, 6)]}),
    label('macro_mouse_delay_caption', 'macro_delay_caption_text', cls='caption'),
    edit('ms_1_macro_mouseaction_delay_edit', maxlen=5),
    ('v', 'macro_mouse_editor_spacer'),
], 6, (0, 0, 0, 0)))
none_page = box('macro_no_editor', vbox('macro_no_editor_layout', [
    label('macro_edit_hint', 'macro_edit_hint_text', cls='hint', wrap=True),
    ('v', 'macro_no_editor_spacer'),
], 6, (0, 0, 0, 0)))

side = box('macro_side_column', vbox('macro_side_layout', [
    box('ms_1_macro_name_tab', vbox('macro_name_layout', [
        label('macro_name_caption', 'macro_name_caption_text', cls='caption'),
        edit('ms_1_macro_name_edit', maxlen=23),
    ], 6, (0, 0, 0, 0))),
    box('ms_1_macro_mouse_event_tab', vbox('macro_mouse_event_layout',
        [label('macro_mouse_event_caption', 'macro_insert_caption_text', cls='caption')] + mouse_keys,
        6, (0, 0, 0, 0)), {'visible': False}),
    btn('ms_1_macro_insert_mouse_btn', 'macro_insert_mouse_text', tip='macro_insert_mouse_tip', checkable=True),
    label('macro_record_caption', 'macro_record_caption_text', cls='caption'),
    btn('ms_1_macro_record_btn', 'start_recording_text', h=36, checkable=True, cls='record'),
    label('ms_1_macro_record_hint', 'macro_record_hint_text', cls='hint', wrap=True),
    W('QRadioButton', 'ms_1_record_delay_btn', {'text': 'macro_record_delay_text', 'group': 'macro_delay_mode', 'focusPolicy': ('enum', 'Qt::StrongFocus')}),
    hbox('macro_default_delay_row', [
        W('QRadioButton', 'ms_1_default_delay_btn', {'text': 'macro_default_delay_text', 'group': 'macro_delay_mode', 'checked': True, 'focusPolicy': ('enum', 'Qt::StrongFocus')}),
        edit('ms_1_default_delay_edit', '10', w=70, maxlen=5),
        label('macro_default_delay_unit', 'ms_unit_text'),
        ('h', 'macro_default_delay_spacer'),
    ], 6),
    W('QRadioButton', 'ms_1_no_delay_btn', {'text': 'macro_no_delay_text', 'group': 'macro_delay_mode', 'focusPolicy': ('enum', 'Qt::StrongFocus')}),
    W('QCheckBox', 'ms_1_macro_action_edit_check', {'text': 'macro_edit_action_text', 'focusPolicy': ('enum', 'Qt::StrongFocus')}),
    W('QStackedWidget', 'ms_1_macro_action_edit_tab', {'fixedh': 140}, None),
    hbox('macro_edit_buttons', [
        btn('ms_1_macro_cancel_btn', 'macro_cancel_edit_text', tip='macro_cancel_edit_tip'),
        btn('ms_1_macro_save_btn', 'macro_save_edit_text', tip='macro_save_edit_tip'),
    ], 8),
    ('v', 'macro_side_spacer'),
], 8, (0, 0, 0, 0)), {'fixedw': 250})

root = W('QWidget', 'macro_root', {'geometry': ('rect', 960, 640), 'caption': 44}, vbox('macro_layout', [
    title,
    box('macro_body', hbox('macro_body_layout', [library, actions, side], 20, (20, 16, 20, 20))),
], 0, (1, 1, 1, 1)))
xml = document('MacroPage', root, 'The macro library, written by generate/macropage.py: edit that and run it. Keep the control names.')
# The stacked editor pages: inserted by hand since the helper has no page list.
pages = widget(none_page, '         ') + widget(key_page, '         ') + widget(mouse_page, '         ')
xml = xml.replace('<widget class="QStackedWidget" name="ms_1_macro_action_edit_tab">\n', '<widget class="QStackedWidget" name="ms_1_macro_action_edit_tab">\n' + pages, 1)
open(os.path.join(SKIN, 'MS/MS_1/ms_1_macropage.xml'), 'w').write(xml)

row = W('QWidget', 'keylistitem_root', {'fixedh': 30}, hbox('keylistitem_layout', [
    W('QLabel', 'key', {'fixedw': 160, 'indent': 42}),
    W('QLabel', 'action', {'fixedw': 110, 'indent': 26}),
    W('QLabel', 'delay', {'minimumSize': ('size', 70, 0), 'alignment': ('set', 'Qt::AlignRight|Qt::AlignVCenter')}),
], 6, (4, 0, 10, 0)))
open(os.path.join(SKIN, 'keylistitem.xml'), 'w').write(document('KeyListItem', row, 'A row of the macro library\'s actions (the key, press or release, the pause after it), written by generate/macropage.py.'))
