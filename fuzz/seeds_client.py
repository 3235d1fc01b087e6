#!/usr/bin/env python3
# Writes the seed corpus of fuzz_client: one session per file, a record per
# line (see fuzz_client.cpp). Every event the door handles and every reply
# follows a log-in; a few whole sessions walk the screens with keys.
import os

HERE = os.path.dirname(os.path.abspath(__file__))
C = os.path.join(HERE, 'corpus', 'client') + '/'
J = os.path.join(HERE, 'corpus', 'json') + '/'


def j(name):
    return open(J + name, encoding='latin-1').read().strip()


AUTH = j('authed')
ROSTER = j('lobby_roster')
ROOMS = j('lobby_rooms')
ROOM = j('room_state')
ROOM_DATA = ROOM[ROOM.index('"data":') + 7:-1]
E = {
    'authed_banned': j('authed_banned'),
    'authed_maintenance': j('authed_maintenance'),
    'stories': j('stories_page'),
    'actions': j('actions'),
    'features_update': '{"event":"features:update","data":{"tester_feedback":false}}',
    'lobby_roster': ROSTER,
    'lobby_rooms': ROOMS,
    'lobby_chat': '{"event":"lobby:chat","data":{"kind":"chat","name":"marigold","text":"anyone for a round?","whisper":false}}',
    'lobby_chat_whisper': j('lobby_chat_whisper'),
    'lobby_chat_out': '{"event":"lobby:chat","data":{"kind":"chat","name":"Dot","text":"see you there","whisper":true,"direction":"out"}}',
    'room_chat': j('room_chat'),
    'room_chat_directed': j('room_chat_directed'),
    'lobby_emote': '{"event":"lobby:emote","data":{"text":"Dot waves at everyone"}}',
    'room_emote': '{"event":"room:emote","data":{"text":"marigold juggles"}}',
    'presence_total': j('presence_total'),
    'lobby_notice': '{"event":"lobby:notice","data":{"text":"A new table opened: Night Owls"}}',
    'room_notice': '{"event":"room:notice","data":"Dot joined the table."}',
    'room_state': ROOM,
    'room_knock': '{"event":"room:knock","data":{"name":"Dot","knockId":"kn-77"}}',
    'lobby_invite': '{"event":"lobby:invite","data":{"from":"marigold","roomName":"Night Owls","code":"K7QX2P","fromId":"u-0001"}}',
    'lobby_content': '{"event":"lobby:content","data":{"announcements":[{"id":12,"title":"Spring tales","body":"Twenty new tales are in.\\nHave fun!","date":"2025-04-01"}]}}',
    'room_timeout_removed': '{"event":"room:timeout-removed","data":{}}',
    'room_kicked': '{"event":"room:kicked","data":{"message":"The host removed you from the table."}}',
    'mod_notice': '{"event":"mod:notice","data":{"message":"Please keep it friendly."}}',
    'admin_message': j('admin_message'),
    'chat_cleared': '{"event":"chat:cleared","data":{}}',
    'mod_timeout': '{"event":"mod:timeout","data":{"reason":"flooding the chat"}}',
    'shutdown_scheduled': '{"event":"admin:shutdown-scheduled","data":{"message":"Restarting in 5 minutes."}}',
    'shutdown_cancelled': '{"event":"admin:shutdown-cancelled","data":{}}',
    'achievement': '{"event":"achievement:earned","data":{"title":"First Laugh"}}',
    'mail_new': '{"event":"mail:new","data":{}}',
    'admin_kicked': '{"event":"admin:kicked","data":{"reason":"Kicked by staff."}}',
    'disconnected': '{"event":"disconnected","data":{}}',
    'category_pick': '{"event":"game:category-pick","data":{"pickerId":"u-0000","pickerName":"Zephyr","pickSeconds":60,"categories":["Animals",{"name":"Space"},"Holidays"]}}',
    'picker_waiting': '{"event":"game:picker-waiting","data":{"pickerId":"u-0001","pickerName":"marigold","seconds":30}}',
    'picker_warning': '{"event":"game:picker-warning","data":{"seconds":10}}',
    'category_spin': '{"event":"game:category-spin","data":{}}',
    'game_prompts': j('game_prompts'),
    'story_reveal': j('story_reveal'),
    'word_tally': '{"event":"game:word-tally","data":{"blankN":1,"laughs":3}}',
    'voter_done': j('voter_done'),
    'round_results': j('round_results'),
    'rate_prompt': '{"event":"story:rate-prompt","data":{"storyId":88,"title":"The Dragon\'s Picnic"}}',
    'final_warning': '{"event":"game:final-warning","data":{"seconds":20}}',
    'aborted': '{"event":"game:aborted","data":{"reason":"The host left."}}',
    'ack1_solo_start': '{"ackId":1,"data":{"ok":true,"title":"Moon Soup","blanks":[{"type":"A NOUN","hint":"in the fridge","n":1},{"type":"A COLOUR"}]}}',
    'ack1_fail': '{"ackId":1,"data":{"ok":false,"error":"Could not open that story."}}',
    'ack2_solo_submit': '{"ackId":2,"data":{"ok":true,"title":"Moon Soup","text":"The moon was made of SOUP and it was GREEN.\\nThe end."}}',
    'ack3_feedback': '{"ackId":3,"data":{"ok":false,"error":"Too short."}}',
    'ack4_room_join': '{"ackId":4,"data":{"ok":true,"room":' + ROOM_DATA + '}}',
    'ack5_room_create': '{"ackId":5,"data":{"ok":false,"error":"You already have a table."}}',
    'ack6_mail_list': '{"ackId":6,"data":{"ok":true,"mail":[{"id":501,"read":0,"sender_label":"Sysop Sam","subject":"Welcome","created_at":"2025-05-01T10:00:00Z","body":"Hi there!\\nEnjoy the door.","reply_to":"u-9"},{"id":502,"read":1,"subject":"Old news","body":"..."}]}}',
    'ack7_submission': '{"ackId":7,"data":{"ok":false,"error":"Missing a title."}}',
    'ack9_report': '{"ackId":9,"data":{"ok":true}}',
    'ack10_carehub': '{"ackId":10,"data":{"ok":true,"hub":{"intro":"You are not alone.\\nTalk to someone.","disclaimer":"We are not a crisis service.","sections":[{"title":"Right now","urgent":true,"entries":[{"name":"Helpline","contact":"0800 000 000"}]},{"title":"Feeling low","key":"f","entries":[{"name":"Friends line","note":"evenings","contact":"0800 111","contact2":"text 85258"}]},{"title":"Money","entries":[{"name":"Debt advice","contact":"debt.example.org"}]}]}}}',
    'ack11_word_check': '{"ackId":11,"data":{"ok":true,"blocked":true}}',
    'ack12_answers': '{"ackId":12,"data":{"ok":false,"blankN":2,"error":"Try another word."}}',
    'ack13_mail_reply': '{"ackId":13,"data":{"ok":true}}',
}
ENTER = '\r'
MENU = 'k\rS'  # any key leaves the welcome screen for the guide, S skips to the menu
UP, DOWN, LEFT, RIGHT, PGUP, PGDN = '\xf0', '\xf1', '\xf2', '\xf3', '\xf4', '\xf5'


def write(name, recs):
    with open(C + name, 'w', encoding='latin-1', newline='') as f:
        f.write('\n'.join(recs))


os.makedirs(C, exist_ok=True)
for k, v in E.items():
    if k.startswith('authed_'):
        write(k, [v])
    else:
        write('ev_' + k, [AUTH, MENU, v, 't\x04'])
write('session_lounge', [AUTH, MENU, 'k1' + ENTER, ROSTER, ROOMS, E['lobby_chat'], 'khello all' + ENTER,
                         'k/who' + ENTER, 'k' + PGUP + PGDN, 't\x08', 'kM' + ENTER])
write('session_round', [AUTH, MENU, 'k1' + ENTER, ROOMS, 'k1' + ENTER, E['ack4_room_join'],
                        E['category_pick'], 'kS' + ENTER, E['game_prompts'], 'kpickle' + ENTER,
                        E['ack11_word_check'], 'kotter' + ENTER, 't\x10', E['story_reveal'], 'k' + DOWN + DOWN + UP,
                        E['word_tally'], E['voter_done'], E['round_results'], E['rate_prompt'],
                        E['final_warning'], 't\xff', E['aborted']])
write('session_mail', [AUTH, MENU, 'kM' + ENTER, E['ack6_mail_list'], 'k1' + ENTER, 'kR',
                       'kThanks!' + ENTER, 'k' + ENTER, E['ack13_mail_reply'], 'k' + ENTER])
write('session_solo', [AUTH, MENU, 'k3' + ENTER, E['stories'], 'k1' + ENTER, E['ack1_solo_start'],
                       'kfork' + ENTER, 'kblue' + ENTER, E['ack2_solo_submit'], 'k ' + DOWN + UP + '\x1b'])
write('session_care', [AUTH, MENU, 'kC' + ENTER, E['ack10_carehub'], 'kf' + ENTER,
                       'k' + DOWN + PGDN + PGUP + '\x1b', 'kH' + ENTER])
write('session_story', [AUTH, MENU, 'kS' + ENTER, 'k' + ENTER, 'kMy tale' + ENTER,
                        'kOnce a {noun} met a {animal:a pet}.' + ENTER, 'k' + ENTER, E['ack7_submission']])
write('session_feedback', [AUTH, MENU, 'kF' + ENTER, 'kThe door is lovely' + ENTER, 'k' + ENTER,
                           E['ack3_feedback']])
# A line cut across two reads, and a line of pure noise from the service.
half = len(ROSTER) // 2
write('split_line', [AUTH, MENU, 'k1' + ENTER, 'w' + ROSTER[:half], 'l' + ROSTER[half:], '{not json at all', 't\x04'])
# The caller's raw bytes through the real decoder and main loop passes:
# telnet negotiation, arrows as escape sequences, a doubled 255, CR LF.
write('raw_passes', [AUTH, 'p', 'r\r', 'p', 'rS', 'p', 'r1\r\xff\xfd\x18\xff\xfb\x1f\x1b[B\x1b[A', 'p', 'p',
                     'p', 'p', 'p'])
write('raw_passes_lounge', [AUTH, MENU, 'k1' + ENTER, ROOMS, 'r\xff\xffhi\x1b', 'p', 't\x02', 'p', 'p', 'p'])
# A pass reads one escape sequence at most (the decoder hands on nothing
# while it is inside one), hence the runs of p.
write('session_guide', [AUTH, MENU, 'kH' + ENTER, 't\x10', 'k' + RIGHT + RIGHT + RIGHT + LEFT,
                        'kA' + ENTER, E['lobby_content'], 'k1' + ENTER])
