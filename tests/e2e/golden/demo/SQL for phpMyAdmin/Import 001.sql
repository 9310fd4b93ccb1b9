-- --------------------------------------------------------------------------------------
-- Discus conversion import script for phpBB 3.3. Form for phpMyAdmin: run Import 001.sql, Import 002.sql, ... in
-- this order, each once, with phpMyAdmin's Import page or: mariadb <database> < <file>
-- --------------------------------------------------------------------------------------

-- The guard: nothing is loaded unless the database is a fresh phpBB board that this
-- conversion fits. A failed check shows a row with what is wrong and which setting to
-- change, makes the session read only (so every later statement fails, also when the
-- client runs with --force) and stops the script with an error showing the same text.

-- The script is UTF-8; a client left in latin1 would store the characters garbled.
SET NAMES utf8mb4;

-- The statements below are written for backslash escapes ('\r\n' and '\\'): take
-- NO_BACKSLASH_ESCAPES out of the session's sql_mode.
SET SESSION sql_mode = TRIM(BOTH ',' FROM REPLACE(CONCAT(',', @@SESSION.sql_mode, ','), ',NO_BACKSLASH_ESCAPES,', ','));

-- The phpBB3_ tables the script writes to must all be there.
SET @qb_failed = 1;
SET @qb_failed = (SELECT COUNT(DISTINCT LOWER(TABLE_NAME)) < 16 FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() AND LOWER(TABLE_NAME) IN ('phpbb3_forums', 'phpbb3_topics', 'phpbb3_posts', 'phpbb3_users', 'phpbb3_groups', 'phpbb3_attachments', 'phpbb3_user_group', 'phpbb3_acl_groups', 'phpbb3_acl_roles', 'phpbb3_config', 'phpbb3_topics_posted', 'phpbb3_search_wordlist', 'phpbb3_search_wordmatch', 'phpbb3_search_results', 'phpbb3_extensions', 'phpbb3_extension_groups'));
SELECT 'The database has no phpBB board with the table prefix phpBB3_: run this script on the database of a fresh phpBB board' AS `Conversion not loaded` FROM DUAL WHERE @qb_failed <> 0;
SET @qb_guard = IF(@qb_failed <> 0, 'SET SESSION TRANSACTION READ ONLY', 'DO 0');
PREPARE qb_guard FROM @qb_guard;
EXECUTE qb_guard;
DEALLOCATE PREPARE qb_guard;
SET SESSION sql_mode = IF(@qb_failed <> 0, 'The database has no phpBB board with the table prefix phpBB3_: run this script on the database of a fresh phpBB board', @@SESSION.sql_mode);

-- The board must be phpBB 3.3 (its users table has no user_email_hash).
SET @qb_failed = 1;
SET @qb_failed = (SELECT COUNT(*) > 0 FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND LOWER(TABLE_NAME) = 'phpbb3_users' AND LOWER(COLUMN_NAME) = 'user_email_hash');
SELECT 'The database is a phpBB 3.2 board: set phpBB3 Version to 3.2 and convert again' AS `Conversion not loaded` FROM DUAL WHERE @qb_failed <> 0;
SET @qb_guard = IF(@qb_failed <> 0, 'SET SESSION TRANSACTION READ ONLY', 'DO 0');
PREPARE qb_guard FROM @qb_guard;
EXECUTE qb_guard;
DEALLOCATE PREPARE qb_guard;
SET SESSION sql_mode = IF(@qb_failed <> 0, 'The database is a phpBB 3.2 board: set phpBB3 Version to 3.2 and convert again', @@SESSION.sql_mode);

-- Converted members get the user ids above 57 (phpBB3 Default Users): none may be taken.
SET @qb_failed = 1;
SET @qb_failed = (SELECT COUNT(*) > 0 FROM phpBB3_users WHERE user_id > 57);
SELECT 'The database already holds user ids above 57: set phpBB3 Default Users to its highest user_id and convert again (or use a fresh phpBB board if this script has run on it before)' AS `Conversion not loaded` FROM DUAL WHERE @qb_failed <> 0;
SET @qb_guard = IF(@qb_failed <> 0, 'SET SESSION TRANSACTION READ ONLY', 'DO 0');
PREPARE qb_guard FROM @qb_guard;
EXECUTE qb_guard;
DEALLOCATE PREPARE qb_guard;
SET SESSION sql_mode = IF(@qb_failed <> 0, 'The database already holds user ids above 57: set phpBB3 Default Users to its highest user_id and convert again (or use a fresh phpBB board if this script has run on it before)', @@SESSION.sql_mode);

-- Converted groups get the group ids above 7 (Default User Groups): none may be taken.
SET @qb_failed = 1;
SET @qb_failed = (SELECT COUNT(*) > 0 FROM phpBB3_groups WHERE group_id > 7);
SELECT 'The database already holds group ids above 7: set Default User Groups to its highest group_id and convert again (or use a fresh phpBB board if this script has run on it before)' AS `Conversion not loaded` FROM DUAL WHERE @qb_failed <> 0;
SET @qb_guard = IF(@qb_failed <> 0, 'SET SESSION TRANSACTION READ ONLY', 'DO 0');
PREPARE qb_guard FROM @qb_guard;
EXECUTE qb_guard;
DEALLOCATE PREPARE qb_guard;
SET SESSION sql_mode = IF(@qb_failed <> 0, 'The database already holds group ids above 7: set Default User Groups to its highest group_id and convert again (or use a fresh phpBB board if this script has run on it before)', @@SESSION.sql_mode);

-- --------------------------------------------------------------------------------------
-- The import files
-- --------------------------------------------------------------------------------------

-- Order: this file runs first and once.
SET @qb_failed = 1;
SET @qb_failed = (SELECT COUNT(*) > 0 FROM phpBB3_config WHERE config_name = 'quillbridge_phpmyadmin_file');
SELECT 'Import 001.sql has run on this database before: load the files into a fresh phpBB board' AS `Conversion not loaded` FROM DUAL WHERE @qb_failed <> 0;
SET @qb_guard = IF(@qb_failed <> 0, 'SET SESSION TRANSACTION READ ONLY', 'DO 0');
PREPARE qb_guard FROM @qb_guard;
EXECUTE qb_guard;
DEALLOCATE PREPARE qb_guard;
SET SESSION sql_mode = IF(@qb_failed <> 0, 'Import 001.sql has run on this database before: load the files into a fresh phpBB board', @@SESSION.sql_mode);

INSERT INTO phpBB3_groups (group_id, group_type, group_founder_manage, group_skip_auth, group_name, group_desc, group_desc_bitfield, group_desc_options, group_desc_uid, group_display, group_avatar, group_avatar_type, group_avatar_width, group_avatar_height, group_rank, group_colour, group_sig_chars, group_receive_pm, group_message_limit, group_legend, group_max_recipients) VALUES
(8,0,0,0,'Committee','','',7,'',0,'','',0,0,0,'',0,0,0,0,0),
(9,0,0,0,'Field Leaders','','',7,'',0,'','',0,0,0,'',0,0,0,0,0),
(10,0,0,0,'Ringers Circle','','',7,'',0,'','',0,0,0,'',0,0,0,0,0),
(11,0,0,0,'Photographers','','',7,'',0,'','',0,0,0,'',0,0,0,0,0),
(12,0,0,0,'Young Birders','','',7,'',0,'','',0,0,0,'',0,0,0,0,0);

REPLACE INTO phpBB3_forums (forum_id, parent_id, left_id, right_id, forum_parents, forum_name, forum_desc, forum_desc_bitfield, forum_desc_options, forum_desc_uid, forum_link, forum_password, forum_style, forum_image, forum_rules, forum_rules_link, forum_rules_bitfield, forum_rules_options, forum_rules_uid, forum_topics_per_page, forum_type, forum_status, forum_last_post_id, forum_last_poster_id, forum_last_post_subject, forum_last_post_time, forum_last_poster_name, forum_last_poster_colour, forum_flags, display_on_index, enable_indexing, enable_icons, enable_prune, prune_next, prune_days, prune_viewed, prune_freq, display_subforum_list, forum_options, enable_shadow_prune, prune_shadow_days, prune_shadow_freq, prune_shadow_next, forum_posts_approved, forum_posts_unapproved, forum_posts_softdeleted, forum_topics_approved, forum_topics_unapproved, forum_topics_softdeleted) VALUES
(1,0,1,1,'','Birds and Birding','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(2,1,2,1,'','Garden Birds','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(3,2,3,2,'','Feeders([) Fat Balls and Squirrels','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(4,2,4,2,'','Blackcaps Overwintering','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(5,2,5,2,'','Nest Box Cam 2004','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(6,5,6,5,'','Blue Tits: Week One','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(7,5,7,5,'','Blue Tits: Fledging Day','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(8,1,8,1,'','Waders([) Gulls and Terns','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(9,8,9,8,'','Avocets Back at Saltings Creek','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(10,8,10,8,'',_utf8mb4 X'52696e67696e67205265706f72743a204375726c657720285c294b37287c2920526573696768746564','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(11,8,11,8,'','Committee: Reserve Access Talks','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(12,0,12,12,'','Club Life','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(13,12,13,12,'','Club Business','<r><B><s>[b]</s>Subscriptions for 2005 are now due.<e>[/b]</e></B> £12 adults([) £5 juniors. The form is on the <URL url=(})http://www.kestrel-valley-birders.example/discus/messages/12/120.html(})><s>[url=http://www.kestrel-valley-birders.example/discus/messages/12/120.html]</s>subscriptions page<e>[/url]</e></URL>.</r>','UA==',5,'qbconv01','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(14,13,14,13,'','Subscriptions 2005','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(15,13,15,13,'','Coach Trip to the Müritz','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(16,12,16,12,'','Members({) Café','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(17,16,17,16,'','Introduce Yourself','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0),
(18,16,18,16,'','Quiz Night Results','','',5,'','','',0,'','','','',7,'',0,1,0,0,0,'',0,'','',48,0,1,1,0,0,0,0,0,1,0,0,0,0,0,0,0,0,0,0,0);

REPLACE INTO phpBB3_posts (post_id, topic_id, forum_id, poster_id, icon_id, poster_ip, post_time, post_reported, enable_bbcode, enable_smilies, enable_magic_url, enable_sig, post_username, post_subject, post_text, post_checksum, post_attachment, bbcode_bitfield, bbcode_uid, post_postcount, post_edit_time, post_edit_reason, post_edit_user, post_edit_count, post_edit_locked, post_visibility, post_delete_time, post_delete_reason, post_delete_user) VALUES
(1,1,3,58,0,'3^101^1001',1074416700,0,1,1,1,1,'Jane Doe','Feeders([) Fat Balls and Squirrels','<r>Which feeders actually keep the squirrels out? Mine has been chewed through <B><s>[b]</s>twice<e>[/b]</e></B> this winter.</r>','79615BE629EFB2B6595884FBD156A72F',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(2,1,3,59,0,'3^101^1002',1074429600,0,1,1,1,1,'hamish','Re: Feeders([) Fat Balls and Squirrels','<r>The caged ones work for me([) but the Great Spotted Woodpecker can’t get in either.<br/>(:)Fat balls in a <COLOR color=(})#ff0000(})><s>[color=#ff0000]</s>metal<e>[/color]</e></COLOR> mesh are the only thing that lasts.</r>','696F135D4C298B762B2563350DDE5863',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(3,1,3,60,0,'3^101^1003',1074543300,0,1,1,1,1,'OBrien Siobhán','Re: Feeders([) Fat Balls and Squirrels','<t>Try a baffle on the pole &amp; move it two metres from the fence. Squirrels jump about 1.5 m.</t>','99E1DFC327EDB7777772464DCF699229',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(4,2,4,58,0,'3^102^1010',1076235600,0,1,1,1,1,'Jane Doe','Blackcaps Overwintering','<t>A male Blackcap has been on the feeder every morning this week. Is that unusual in February?</t>','5B20BFB09956E7FC68716F760415FA2B',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(5,2,4,65,0,'3^102^1011',1076418000,0,1,1,1,1,'Priya Natarajan','Re: Blackcaps Overwintering','<r>Got a photo of the female through the kitchen window. <I><s>[i]</s>Not<e>[/i]</e></I> my best work.</r>','0B0A690D94CD71D9204C9F18C38C059F',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(6,2,4,62,0,'3^102^1012',1076747400,0,1,1,1,1,'Jürgen Weiß','Re: Blackcaps Overwintering','<r><SIZE size=(})85(})><s>[size=85]</s>In Würzburg we see them every winter now; most of them breed in Germany and Austria.<e>[/size]</e></SIZE></r>','838CEBAF6F39266E8C9D18CEA067270E',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(7,2,4,63,0,'3^102^1013',1077382200,0,1,1,1,1,'Zoë Brontë','Re: Blackcaps Overwintering','<t>Still here on the 21st – three males and a female now([) all on the apple halves.</t>','2B767CF3481CED4F9A7DB9F34E9835E4',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(8,3,6,64,0,'3^104^1021',1081755900,0,1,1,1,1,'Marsh Peter','Blue Tits: Week One','<r>Eight eggs this morning. Here is the view from the camera:<br/>(:)<ATTACHMENT filename=(})nestbox.png(}) index=(})0(})><s>[attachment=0]</s>nestbox.png<e>[/attachment]</e></ATTACHMENT><br/>(:)The female sits very tight now.</r>','EC35F4E2D53414820968D7FA036AA921',1,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(9,3,6,63,0,'3^104^1022',1081787400,0,1,1,1,1,'Zoë Brontë','Re: Blue Tits: Week One','<t>Wow! Can we see it from the school?</t>','A6707FB1E2601FA0099B87801F41EB7E',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(10,4,5,64,0,'3^103^1020',1080842400,0,1,1,1,1,'Marsh Peter','Nest Box Cam 2004','<r><B><s>[b]</s>The club nest box camera is live!<e>[/b]</e></B><br/>(:)The pictures go to the computer in the hide. Daily notes are in the pages below.</r>','1D77052C90EB970B85792CE9CF040670',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(11,5,7,64,0,'3^105^1023',1085033400,0,1,1,1,1,'Marsh Peter','Blue Tits: Fledging Day','<t>All seven fledged between 5 and 6 this morning. My log of the whole season is attached.<br/>(:)</t>','F1E403EBD58F306E711C628ABCD14CF0',1,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(12,5,7,66,0,'3^105^1024',1085043600,0,1,1,1,1,'kwame','Re: Blue Tits: Fledging Day','<r>Great work([) Peter. Same story in <URL url=(})http://forum.kestrel-valley-birders.example/viewtopic.php?f=6&amp;t=3(})><s>[url=http://forum.kestrel-valley-birders.example/viewtopic.php?f=6&amp;t=3]</s>Week One<e>[/url]</e></URL>: eight eggs([) seven young.</r>','561BFB0F27BA5083DEAB04FDBEBE4760',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(13,6,9,60,0,'7^110^1030',1079263500,0,1,1,1,1,'OBrien Siobhán','Avocets Back at Saltings Creek','<t>Twenty-two Avocets on the creek at high tide([) the first of the spring.</t>','1E1C1CDE7669F78F208983614113E370',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(14,6,9,58,0,'7^110^1031',1079283720,0,1,1,1,1,'Jane Doe','Re: Avocets Back at Saltings Creek','<r>Lovely. Squirrel-proof feeders at home (see <URL url=(})http://forum.kestrel-valley-birders.example/viewtopic.php?f=3&amp;t=1(})><s>[url=http://forum.kestrel-valley-birders.example/viewtopic.php?f=3&amp;t=1]</s>the feeder thread<e>[/url]</e></URL>) and Avocets on the coast: a good weekend.<br/>(:)The café by the hide is open again([) by the way; prices in <URL url=(})http://www.kestrel-valley-birders.example/discus/messages/15/122.html(})><s>[url=http://www.kestrel-valley-birders.example/discus/messages/15/122.html target=_blank]</s>Introduce Yourself<e>[/url]</e></URL>.</r>','BC18AD5EF40A9A3EFD029AF894AAB30C',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(15,6,9,68,0,'7^110^1032',1079337600,0,1,1,1,1,'Old Tom Fenwick','Re: Avocets Back at Saltings Creek','<t>Used to be forty pairs there in the eighties… good to see them back.</t>','816064258E5F42895B43AF22B800426D',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(16,7,10,67,0,'7^111^1040',1099144800,0,1,1,1,1,'Łucja Wróbel',_utf8mb4 X'52696e67696e67205265706f72743a204375726c657720285c294b37287c2920526573696768746564',_utf8mb4 X'3c723e436f6c6f75722d72696e676564204375726c6577203c423e3c733e5b625d3c2f733e3c434f4c4f5220636f6c6f723d287d2923303030306666287d293e3c733e5b636f6c6f723d233030303066665d3c2f733e285c294b37287c293c653e5b2f636f6c6f725d3c2f653e3c2f434f4c4f523e3c653e5b2f625d3c2f653e3c2f423e20776173206f6e20746865206d7564666c61747320746f6461792e204974207761732072696e676564206173206120636869636b20696e20c581c4996769204f64727a61c584736b69652028506f6c616e642920696e2032303031213c2f723e','749234449A723158C99EE3D53714E7E4',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(17,7,10,68,0,'7^111^1041',1099215000,0,1,1,1,1,'Old Tom Fenwick',_utf8mb4 X'52653a2052696e67696e67205265706f72743a204375726c657720285c294b37287c2920526573696768746564','<t>That’s a long way – I’ll look for it on Sunday.</t>','9C8410ABB9411919163129FF146980FA',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(18,7,10,60,0,'7^111^1042',1099429800,0,1,1,1,1,'OBrien Siobhán',_utf8mb4 X'52653a2052696e67696e67205265706f72743a204375726c657720285c294b37287c2920526573696768746564','<r><SIZE size=(})125(})><s>[size=125]</s><COLOR color=(})#ff0000(})><s>[color=#ff0000]</s>Please<e>[/color]</e></COLOR><e>[/size]</e></SIZE> send all colour-ring sightings to the ringing group([) not only to the board.</r>','41568F870D15157E072E30CE7560DB44',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(19,8,11,64,0,'7^112^1050',1099940400,0,1,1,1,1,'Marsh Peter','Committee: Reserve Access Talks','<r>Committee only([) please. The estate has offered a key to the north gate for <B><s>[b]</s>£40<e>[/b]</e></B> a year. Do we accept?</r>','02551F9913F724F69DF463357EA5043E',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(20,8,11,58,0,'7^112^1051',1099988100,0,1,1,1,1,'Jane Doe','Re: Committee: Reserve Access Talks','<t>Yes([) if members can book it through the website.</t>','B4554DD8E8E3D193599D254B80B67ADC',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(21,9,14,2,0,'12^120^1060',1101895200,0,1,1,1,1,'admin','Subscriptions 2005','<t>Membership runs January to December. Please use the membership form and pay at any field meeting.</t>','6DFC6263082A2F00CE485CE69C122B99',1,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(22,9,14,66,0,'12^120^1061',1102013100,0,1,1,1,1,'kwame','Re: Subscriptions 2005','<t>Can juniors pay at the school club instead?</t>','40C517D193C0BEFFD3169CBCDC51C4CC',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(23,9,14,64,0,'12^120^1062',1102064400,0,1,1,1,1,'Marsh Peter','Re: Subscriptions 2005','<t>Yes – Zoë collects them there.</t>','FE682241ECBD140E49FBF79ED1319B05',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(24,10,15,62,0,'12^121^1070',1095019200,0,1,1,1,1,'Jürgen Weiß','Coach Trip to the Müritz','<r>Our friends in Würzburg invite us to the Müritz National Park for the Crane migration. Coach from the village hall([) 4 nights([) about €300 each. See the <URL url=(})http://www.example.org/mueritz-national-park(})><s>[url=http://www.example.org/mueritz-national-park]</s>park’s own pages<e>[/url]</e></URL>.</r>','BAEA3DE095EC7A3B16BBD3D92B39BADF',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(25,10,15,61,0,'12^121^1071',1095061500,0,1,1,1,1,'José Álvarez','Re: Coach Trip to the Müritz','<t>Count me in. I went to Doñana last year &amp; the Cranes were the best part.</t>','742F27D8012A72B18A0A78C0D716E982',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(26,10,15,62,0,'12^121^1072',1095746700,0,1,1,1,1,'Jürgen Weiß','Re: Coach Trip to the Müritz','<r><B><s>[b]</s>Update:<e>[/b]</e></B> the coach is full. Waiting list with José([) please.</r>','9B53A4B2A2A2787FDA239D5CCDCC835F',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(27,11,17,67,0,'15^122^1080',1078050600,0,1,1,1,1,'Łucja Wróbel','Introduce Yourself','<t>Cześć! I moved here from Wrocław last year and I ring waders on Sundays.</t>','CE0040D90E85F98EA81DFC4DC68B4A6C',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(28,11,17,66,0,'15^122^1081',1078142400,0,1,1,1,1,'kwame','Re: Introduce Yourself','<t>Hi all([) I’m Kwame. Mostly a garden birder([) learning the gulls (slowly).</t>','1FDDECCEEAC7D375A566224E4B148464',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(29,11,17,60,0,'15^122^1082',1078255200,0,1,1,1,1,'OBrien Siobhán','Re: Introduce Yourself','<t>Welcome both! Tea at the café is 80p([) cake (})when available(}).</t>','ED9F1965F7B388BD32C5FE99127B3D36',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(30,12,18,64,0,'15^123^1090',1105308000,0,1,1,1,1,'Marsh Peter','Quiz Night Results','<r>1st: <B><s>[b]</s>The Tit Bits<e>[/b]</e></B> (Jane([) Zoë([) Kwame)<br/>(:)2nd: Ringers Anonymous<br/>(:)3rd: The Dunlins</r>','40A8BD602BF07C4E31BFEB110931A22B',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0),
(31,12,18,58,0,'15^123^1091',1105348320,0,1,1,1,1,'Jane Doe','Re: Quiz Night Results','<t>Thanks for a great evening([) Peter!</t>','C4A94401CDC911A12F313B838CDC169C',0,'','qbconv01',1,0,'',0,0,0,1,0,'',0);

INSERT INTO phpBB3_users (user_id, user_type, group_id, user_permissions, user_perm_from, user_ip, user_regdate, username, username_clean, user_password, user_passchg, user_email, user_birthday, user_lastvisit, user_lastmark, user_lastpost_time, user_lastpage, user_last_confirm_key, user_last_search, user_warnings, user_last_warning, user_login_attempts, user_inactive_reason, user_inactive_time, user_posts, user_lang, user_timezone, user_dateformat, user_style, user_rank, user_colour, user_new_privmsg, user_unread_privmsg, user_last_privmsg, user_message_rules, user_full_folder, user_emailtime, user_topic_show_days, user_topic_sortby_type, user_topic_sortby_dir, user_post_show_days, user_post_sortby_type, user_post_sortby_dir, user_notify, user_notify_pm, user_notify_type, user_allow_pm, user_allow_viewonline, user_allow_viewemail, user_allow_massemail, user_options, user_avatar, user_avatar_type, user_avatar_width, user_avatar_height, user_sig, user_sig_bbcode_uid, user_sig_bbcode_bitfield, user_jabber, user_actkey, user_newpasswd, user_form_salt, user_new, user_reminded, user_reminded_time) VALUES
(58,0,8,'',0,'198.51.100.14',1015269120,'jane_doe','jane_doe','Xa8kd93jfk2Lm',0,'jane.doe@example.com','',0,0,1105300920,'','',0,0,0,0,0,0,5,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(59,0,9,'',0,'198.51.100.27',1015317600,'hamish','hamish','Hm2.kfQ0w9aZc',0,'hamish.macallister@example.com','',0,0,1099379700,'','',0,0,0,0,0,0,1,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(60,0,10,'',0,'203.0.113.9',1024347780,'siobhan','siobhan','So/9dkeLq2mXp',0,'siobhan.obrien@example.net','',0,0,1105569660,'','',0,0,0,0,0,0,4,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(61,0,2,'',0,'203.0.113.44',1043064000,'jose','jose','Jz7vB2nq.Lk0e',0,'jose.alvarez@example.es','',0,0,1095705000,'','',0,0,0,0,0,0,1,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(62,0,11,'',0,'198.51.100.90',1044957300,'juergen','juergen','Jw4Mn8sk1Qr/t',0,'j.weiss@example.de','',0,0,1095746700,'','',0,0,0,0,0,0,3,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(63,0,12,'',0,'198.51.100.101',1062260400,'zoe_b','zoe_b','Zb0.xYq7Lm3Pd',0,'','',0,0,1086289200,'','',0,0,0,0,0,0,2,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(64,0,8,'',0,'203.0.113.71',1015270200,'pmarsh','pmarsh','Pm5kQ/2wEr8Ty',0,'peter.marsh@example.com','',0,0,1105348320,'','',0,0,0,0,0,0,6,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(65,0,11,'',0,'198.51.100.55',1049281860,'priya','priya','Pr1aZx9.Wq4Lk',0,'priya.n@example.com','',0,0,1085953500,'','',0,0,0,0,0,0,1,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(66,0,2,'',0,'203.0.113.120',1074175320,'kwame','kwame','Kw8/Ue3rTy6Io',0,'kwame@example.org','',0,0,1105448400,'','',0,0,0,0,0,0,3,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(67,0,10,'',0,'198.51.100.200',1077963000,'lucja','lucja','Lc3mN.b7Vx2Qa',0,'lucja.wrobel@example.pl','',0,0,1099468800,'','',0,0,0,0,0,0,2,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0),
(68,0,2,'',0,'',0,'Old Tom Fenwick','old tom fenwick','',0,'','',0,0,0,'','',0,0,0,0,0,0,2,'en','UTC','D M d([) Y g:i a',1,0,'',0,0,0,0,-3,0,0,'t','d',0,'t','a',0,1,0,1,1,1,0,230271,'','',0,0,'','','','','','','',0,0,0);

INSERT INTO phpBB3_user_group (group_id, user_id, group_leader, user_pending) VALUES
(2,58,0,0),
(8,58,0,0),
(9,58,0,0),
(2,59,0,0),
(9,59,0,0),
(2,60,0,0),
(10,60,0,0),
(2,61,0,0),
(2,62,0,0),
(11,62,0,0),
(2,63,0,0),
(12,63,0,0),
(2,64,0,0),
(8,64,0,0),
(2,65,0,0),
(11,65,0,0),
(9,65,0,0),
(2,66,0,0),
(2,67,0,0),
(10,67,0,0),
(2,68,0,0);

REPLACE INTO phpBB3_topics (topic_id, forum_id, icon_id, topic_attachment, topic_reported, topic_title, topic_poster, topic_time, topic_time_limit, topic_views, topic_status, topic_type, topic_first_post_id, topic_first_poster_name, topic_first_poster_colour, topic_last_post_id, topic_last_poster_id, topic_last_poster_name, topic_last_poster_colour, topic_last_post_subject, topic_last_post_time, topic_last_view_time, topic_moved_id, topic_bumped, topic_bumper, poll_title, poll_start, poll_length, poll_max_options, poll_last_vote, poll_vote_change, topic_visibility, topic_delete_time, topic_delete_reason, topic_delete_user, topic_posts_approved, topic_posts_unapproved, topic_posts_softdeleted) VALUES
(1,3,0,0,0,'Feeders([) Fat Balls and Squirrels',58,1074416700,0,3,0,0,1,'Jane Doe','',3,60,'OBrien Siobhán','','Re: Feeders([) Fat Balls and Squirrels',1074543300,0,0,0,0,'',0,0,1,0,0,1,0,'',0,3,0,0),
(2,4,0,0,0,'Blackcaps Overwintering',58,1076235600,0,4,0,0,4,'Jane Doe','',7,63,'Zoë Brontë','','Re: Blackcaps Overwintering',1077382200,0,0,0,0,'',0,0,1,0,0,1,0,'',0,4,0,0),
(3,6,0,1,0,'Blue Tits: Week One',64,1081755900,0,2,0,0,8,'Marsh Peter','',9,63,'Zoë Brontë','','Re: Blue Tits: Week One',1081787400,0,0,0,0,'',0,0,1,0,0,1,0,'',0,2,0,0),
(4,5,0,0,0,'Nest Box Cam 2004',64,1080842400,0,1,0,0,10,'Marsh Peter','',10,64,'Marsh Peter','','Nest Box Cam 2004',1080842400,0,0,0,0,'',0,0,1,0,0,1,0,'',0,1,0,0),
(5,7,0,1,0,'Blue Tits: Fledging Day',64,1085033400,0,2,0,0,11,'Marsh Peter','',12,66,'kwame','','Re: Blue Tits: Fledging Day',1085043600,0,0,0,0,'',0,0,1,0,0,1,0,'',0,2,0,0),
(6,9,0,0,0,'Avocets Back at Saltings Creek',60,1079263500,0,3,0,0,13,'OBrien Siobhán','',15,68,'Old Tom Fenwick','','Re: Avocets Back at Saltings Creek',1079337600,0,0,0,0,'',0,0,1,0,0,1,0,'',0,3,0,0),
(7,10,0,0,0,_utf8mb4 X'52696e67696e67205265706f72743a204375726c657720285c294b37287c2920526573696768746564',67,1099144800,0,3,0,0,16,'Łucja Wróbel','',18,60,'OBrien Siobhán','',_utf8mb4 X'52653a2052696e67696e67205265706f72743a204375726c657720285c294b37287c2920526573696768746564',1099429800,0,0,0,0,'',0,0,1,0,0,1,0,'',0,3,0,0),
(8,11,0,0,0,'Committee: Reserve Access Talks',64,1099940400,0,2,0,0,19,'Marsh Peter','',20,58,'Jane Doe','','Re: Committee: Reserve Access Talks',1099988100,0,0,0,0,'',0,0,1,0,0,1,0,'',0,2,0,0),
(9,14,0,1,0,'Subscriptions 2005',2,1101895200,0,3,0,0,21,'admin','AA0000',23,64,'Marsh Peter','','Re: Subscriptions 2005',1102064400,0,0,0,0,'',0,0,1,0,0,1,0,'',0,3,0,0),
(10,15,0,0,0,'Coach Trip to the Müritz',62,1095019200,0,3,0,0,24,'Jürgen Weiß','',26,62,'Jürgen Weiß','','Re: Coach Trip to the Müritz',1095746700,0,0,0,0,'',0,0,1,0,0,1,0,'',0,3,0,0),
(11,17,0,0,0,'Introduce Yourself',67,1078050600,0,3,0,0,27,'Łucja Wróbel','',29,60,'OBrien Siobhán','','Re: Introduce Yourself',1078255200,0,0,0,0,'',0,0,1,0,0,1,0,'',0,3,0,0),
(12,18,0,0,0,'Quiz Night Results',64,1105308000,0,2,0,0,30,'Marsh Peter','',31,58,'Jane Doe','','Re: Quiz Night Results',1105348320,0,0,0,0,'',0,0,1,0,0,1,0,'',0,2,0,0);

INSERT INTO phpBB3_attachments (attach_id, post_msg_id, topic_id, in_message, poster_id, is_orphan, physical_filename, real_filename, download_count, attach_comment, extension, mimetype, filesize, filetime, thumbnail) VALUES
(1,8,3,0,64,0,'1_1A0D49A48037F24F6E5459442FFD4091','nestbox.png',0,'','png','image/png',102,0,0),
(2,11,5,0,64,0,'2_99EF099DF922C300ED7F23D1228FA0BC','fledging-log.txt',0,'','txt','text/plain',147,0,0),
(3,21,9,0,2,0,'3_B4605C671B825D6835BF3E4BDD078A40','membership-form.txt',0,'','txt','text/plain',100,0,0);

-- --------------------------------------------------------------------------------------
-- Finishing: the loaded rows become a working phpBB board
-- --------------------------------------------------------------------------------------

-- a. Texts. The import files stand for the characters that would break a row by tokens:
--    ([) comma  (\) low double quote  (}) double quote  (]) right double quote
--    (|) left double quote  ({) apostrophe  (<) backtick  (:) line break.
--    Here they become the characters again; a line break is one in post texts and
--    forum descriptions and a blank in names and titles.

-- Forum names and descriptions and the forums' other texts.
UPDATE phpBB3_forums SET
    forum_parents = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_parents, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_name = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_name, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_desc_bitfield = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_desc_bitfield, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_desc_uid = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_desc_uid, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_link = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_link, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_password = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_password, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_image = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_image, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_rules = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_rules, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_rules_link = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_rules_link, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_rules_bitfield = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_rules_bitfield, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_rules_uid = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_rules_uid, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_last_post_subject = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_last_post_subject, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_last_poster_name = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_last_poster_name, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_last_poster_colour = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_last_poster_colour, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    forum_desc = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(forum_desc, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', '\n')
WHERE forum_id BETWEEN 1 AND 18;

-- Topic titles, the topics' poster names and their other texts.
UPDATE phpBB3_topics SET
    topic_title = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(topic_title, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    topic_first_poster_name = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(topic_first_poster_name, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    topic_first_poster_colour = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(topic_first_poster_colour, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    topic_last_poster_name = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(topic_last_poster_name, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    topic_last_poster_colour = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(topic_last_poster_colour, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    topic_last_post_subject = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(topic_last_post_subject, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    poll_title = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(poll_title, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    topic_delete_reason = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(topic_delete_reason, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' ')
WHERE topic_id BETWEEN 1 AND 12;

-- Post texts, subjects, poster names and the posts' other texts.
UPDATE phpBB3_posts SET
    poster_ip = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(poster_ip, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    post_username = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(post_username, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    post_subject = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(post_subject, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    post_checksum = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(post_checksum, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    bbcode_bitfield = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(bbcode_bitfield, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    bbcode_uid = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(bbcode_uid, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    post_edit_reason = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(post_edit_reason, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    post_delete_reason = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(post_delete_reason, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    post_text = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(post_text, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', '\n')
WHERE post_id BETWEEN 1 AND 31;

-- Converted members' user names and their clean forms (login looks members up by
-- username_clean), passwords, e-mail addresses and other texts.
UPDATE phpBB3_users SET
    user_permissions = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_permissions, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_ip = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_ip, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    username = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(username, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    username_clean = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(username_clean, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_password = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_password, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_email = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_email, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_birthday = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_birthday, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_lastpage = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_lastpage, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_last_confirm_key = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_last_confirm_key, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_lang = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_lang, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_timezone = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_timezone, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_dateformat = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_dateformat, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_colour = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_colour, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_topic_sortby_type = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_topic_sortby_type, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_topic_sortby_dir = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_topic_sortby_dir, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_post_sortby_type = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_post_sortby_type, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_post_sortby_dir = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_post_sortby_dir, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_avatar = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_avatar, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_avatar_type = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_avatar_type, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_sig = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_sig, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_sig_bbcode_uid = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_sig_bbcode_uid, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_sig_bbcode_bitfield = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_sig_bbcode_bitfield, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_jabber = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_jabber, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_actkey = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_actkey, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_newpasswd = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_newpasswd, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    user_form_salt = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(user_form_salt, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' ')
WHERE user_id > 57;

-- Converted group names and texts.
UPDATE phpBB3_groups SET
    group_name = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(group_name, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    group_desc = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(group_desc, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    group_desc_bitfield = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(group_desc_bitfield, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    group_desc_uid = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(group_desc_uid, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    group_avatar = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(group_avatar, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    group_avatar_type = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(group_avatar_type, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    group_colour = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(group_colour, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' ')
WHERE group_id > 7;

-- Attachment file names, comments and other texts.
UPDATE phpBB3_attachments SET
    physical_filename = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(physical_filename, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    real_filename = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(real_filename, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    attach_comment = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(attach_comment, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    extension = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(extension, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' '),
    mimetype = REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(REPLACE(mimetype, '([)', ','), '(\\)', '„'), '(})', '"'), '(])', '”'), '(|)', '“'), '({)', ''''), '(<)', '`'), '(:)', ' ')
WHERE in_message = 0 AND post_msg_id BETWEEN 1 AND 31;

-- Links to pages converted after the post that links them: they get the address of
-- the page's topic.

-- Forward link to http://forum.kestrel-valley-birders.example/viewtopic.php?f=17&t=11
UPDATE phpBB3_posts SET post_text = REPLACE(REPLACE(post_text,
    'url="http://www.kestrel-valley-birders.example/discus/messages/15/122.html"', 'url="http://forum.kestrel-valley-birders.example/viewtopic.php?f=17&amp;t=11"'),
    '[url=http://www.kestrel-valley-birders.example/discus/messages/15/122.html target=_blank]', '[url=http://forum.kestrel-valley-birders.example/viewtopic.php?f=17&amp;t=11]')
WHERE post_id IN (14);

-- Forward link to http://forum.kestrel-valley-birders.example/viewtopic.php?f=14&t=9
UPDATE phpBB3_posts SET post_text = REPLACE(REPLACE(post_text,
    'url="http://www.kestrel-valley-birders.example/discus/messages/12/120.html"', 'url="http://forum.kestrel-valley-birders.example/viewtopic.php?f=14&amp;t=9"'),
    '[url=http://www.kestrel-valley-birders.example/discus/messages/12/120.html]', '[url=http://forum.kestrel-valley-birders.example/viewtopic.php?f=14&amp;t=9]')
WHERE post_id IN (20);

-- b. The forum tree.

-- Forum tree: left_id and right_id of forums 1 to 18 (phpBB finds sub-forums and
-- breadcrumbs through them).
UPDATE phpBB3_forums SET
left_id = CASE forum_id
    WHEN 1 THEN 1
    WHEN 2 THEN 2
    WHEN 3 THEN 3
    WHEN 4 THEN 5
    WHEN 5 THEN 7
    WHEN 6 THEN 8
    WHEN 7 THEN 10
    WHEN 8 THEN 14
    WHEN 9 THEN 15
    WHEN 10 THEN 17
    WHEN 11 THEN 19
    WHEN 12 THEN 23
    WHEN 13 THEN 24
    WHEN 14 THEN 25
    WHEN 15 THEN 27
    WHEN 16 THEN 30
    WHEN 17 THEN 31
    WHEN 18 THEN 33
    ELSE left_id END,
right_id = CASE forum_id
    WHEN 1 THEN 22
    WHEN 2 THEN 13
    WHEN 3 THEN 4
    WHEN 4 THEN 6
    WHEN 5 THEN 12
    WHEN 6 THEN 9
    WHEN 7 THEN 11
    WHEN 8 THEN 21
    WHEN 9 THEN 16
    WHEN 10 THEN 18
    WHEN 11 THEN 20
    WHEN 12 THEN 36
    WHEN 13 THEN 29
    WHEN 14 THEN 26
    WHEN 15 THEN 28
    WHEN 16 THEN 35
    WHEN 17 THEN 32
    WHEN 18 THEN 34
    ELSE right_id END
WHERE forum_id BETWEEN 1 AND 18;

-- Top-level forums are phpBB categories; every forum is listed on the index and
-- phpBB rebuilds its cached parent list.
UPDATE phpBB3_forums SET forum_type = IF(parent_id = 0, 0, forum_type), display_on_index = 1, forum_parents = ''
WHERE forum_id BETWEEN 1 AND 18;

-- c. Memberships: the phpBB3_user_group files loaded above put every converted member
--    in the REGISTERED group and in each of their Discus groups.

-- d. Permissions, through phpBB's own roles and groups: every converted forum gets what
--    phpBB gives its sample forum, every category what it gives its sample category.

-- The permission rows of the converted forums (and phpBB's sample forums) go first,
-- so that none is doubled.
DELETE FROM phpBB3_acl_groups WHERE forum_id BETWEEN 1 AND 18;

-- Categories: read only for guests, registered users, COPPA registered users and bots.
-- Forums: guests read only, registered and COPPA users standard, global moderators polls,
-- administrators full access and full moderation, bots the bot role, newly registered
-- users the new-member role.
INSERT INTO phpBB3_acl_groups (group_id, forum_id, auth_option_id, auth_role_id, auth_setting)
SELECT g.group_id, f.forum_id, 0, r.role_id, 0
FROM phpBB3_forums f, phpBB3_groups g, phpBB3_acl_roles r
WHERE f.forum_id BETWEEN 1 AND 18 AND NOT (f.forum_id = 11) AND (
    (f.forum_type = 0 AND r.role_name = 'ROLE_FORUM_READONLY'
        AND g.group_name IN ('GUESTS', 'REGISTERED', 'REGISTERED_COPPA', 'BOTS'))
    OR (f.forum_type <> 0 AND (
        (g.group_name = 'GUESTS' AND r.role_name = 'ROLE_FORUM_READONLY')
        OR (g.group_name IN ('REGISTERED', 'REGISTERED_COPPA') AND r.role_name = 'ROLE_FORUM_STANDARD')
        OR (g.group_name = 'GLOBAL_MODERATORS' AND r.role_name = 'ROLE_FORUM_POLLS')
        OR (g.group_name = 'ADMINISTRATORS' AND r.role_name IN ('ROLE_MOD_FULL', 'ROLE_FORUM_FULL'))
        OR (g.group_name = 'BOTS' AND r.role_name = 'ROLE_FORUM_BOT')
        OR (g.group_name = 'NEWLY_REGISTERED' AND r.role_name = 'ROLE_FORUM_NEW_MEMBER'))))
ORDER BY f.forum_id, g.group_id, r.role_id;

-- d2. Private areas: the forums made from hidden Discus topics and the secure folder, and
--     everything below them, are open only to administrators, global moderators and the
--     hidden group "Private Discus Areas". Add the members who had access to it.

-- The hidden group "Private Discus Areas", without members.
INSERT INTO phpBB3_groups (group_type, group_founder_manage, group_skip_auth, group_name, group_desc, group_desc_bitfield, group_desc_options, group_desc_uid, group_display, group_avatar, group_avatar_type, group_avatar_width, group_avatar_height, group_rank, group_colour, group_sig_chars, group_receive_pm, group_message_limit, group_legend, group_max_recipients)
VALUES (2, 0, 0, 'Private Discus Areas', 'Members who may read the private areas of the old Discus board.', '', 7, '', 0, '', '', 0, 0, 0, '', 0, 0, 0, 0, 5);

-- Private forums: administrators full access and full moderation, global moderators polls,
-- the private group standard access; nobody else.
INSERT INTO phpBB3_acl_groups (group_id, forum_id, auth_option_id, auth_role_id, auth_setting)
SELECT g.group_id, f.forum_id, 0, r.role_id, 0
FROM phpBB3_forums f, phpBB3_groups g, phpBB3_acl_roles r
WHERE (f.forum_id = 11) AND (
    (g.group_name = 'GLOBAL_MODERATORS' AND r.role_name = 'ROLE_FORUM_POLLS')
    OR (g.group_name = 'ADMINISTRATORS' AND r.role_name IN ('ROLE_MOD_FULL', 'ROLE_FORUM_FULL'))
    OR (g.group_name = 'Private Discus Areas' AND g.group_type = 2 AND r.role_name = 'ROLE_FORUM_STANDARD'))
ORDER BY f.forum_id, g.group_id, r.role_id;

-- Every user's permission cache is cleared; phpBB builds it again at the next visit.
UPDATE phpBB3_users SET user_permissions = '', user_perm_from = 0;

-- e. Counters and board totals, counted the way phpBB's own resynchronisation counts.

-- Topics show their first and last poster under the member's name and colour (guests
-- keep the name they posted under).
UPDATE phpBB3_topics t
LEFT JOIN phpBB3_users fu ON fu.user_id = t.topic_poster AND t.topic_poster <> 1
LEFT JOIN phpBB3_users lu ON lu.user_id = t.topic_last_poster_id AND t.topic_last_poster_id <> 1
SET t.topic_first_poster_name = COALESCE(fu.username, t.topic_first_poster_name),
    t.topic_first_poster_colour = COALESCE(fu.user_colour, ''),
    t.topic_last_poster_name = COALESCE(lu.username, t.topic_last_poster_name),
    t.topic_last_poster_colour = COALESCE(lu.user_colour, '')
WHERE t.topic_id BETWEEN 1 AND 12;

-- Each forum's counts of visible posts and topics.
UPDATE phpBB3_forums f
LEFT JOIN (SELECT forum_id, COUNT(*) AS n FROM phpBB3_posts WHERE post_visibility = 1 GROUP BY forum_id) p ON p.forum_id = f.forum_id
LEFT JOIN (SELECT forum_id, COUNT(*) AS n FROM phpBB3_topics WHERE topic_visibility = 1 GROUP BY forum_id) t ON t.forum_id = f.forum_id
SET f.forum_posts_approved = COALESCE(p.n, 0), f.forum_topics_approved = COALESCE(t.n, 0)
WHERE f.forum_id BETWEEN 1 AND 18;

-- Each forum's last post: its newest visible post (the higher id among posts of the same
-- time), with the poster's name and colour from the users table.
UPDATE phpBB3_forums f
JOIN (SELECT forum_id, CAST(SUBSTRING(MAX(CONCAT(LPAD(post_time, 10, '0'), LPAD(post_id, 10, '0'))), 11) AS UNSIGNED) AS post_id
      FROM phpBB3_posts WHERE post_visibility = 1 GROUP BY forum_id) l ON l.forum_id = f.forum_id
JOIN phpBB3_posts p ON p.post_id = l.post_id
LEFT JOIN phpBB3_users u ON u.user_id = p.poster_id AND p.poster_id <> 1
SET f.forum_last_post_id = p.post_id, f.forum_last_poster_id = p.poster_id,
    f.forum_last_post_subject = p.post_subject, f.forum_last_post_time = p.post_time,
    f.forum_last_poster_name = COALESCE(u.username, p.post_username),
    f.forum_last_poster_colour = COALESCE(u.user_colour, '')
WHERE f.forum_id BETWEEN 1 AND 18;

-- Every user's post count from the loaded posts (this also drops phpBB's sample post
-- from the administrator's count).
UPDATE phpBB3_users u
LEFT JOIN (SELECT poster_id, COUNT(*) AS n FROM phpBB3_posts WHERE post_postcount = 1 AND post_visibility = 1 GROUP BY poster_id) c ON c.poster_id = u.user_id
SET u.user_posts = COALESCE(c.n, 0);

-- Members added for posters missing from the member file are registered at their
-- first post.
UPDATE phpBB3_users u
JOIN (SELECT poster_id, MIN(post_time) AS first_time FROM phpBB3_posts GROUP BY poster_id) p ON p.poster_id = u.user_id
SET u.user_regdate = p.first_time
WHERE u.user_id > 57 AND u.user_regdate = 0;

-- Everything up to the newest post counts as read for every user (otherwise every forum
-- shows unread to everyone).
UPDATE phpBB3_users SET user_lastmark = COALESCE((SELECT MAX(post_time) FROM phpBB3_posts), user_lastmark);

-- The "posted in this topic" marks of the converted topics: the old ones go...
DELETE FROM phpBB3_topics_posted WHERE topic_id BETWEEN 1 AND 12;

-- ...and every member who posted in a topic gets one.
INSERT INTO phpBB3_topics_posted (user_id, topic_id, topic_posted)
SELECT DISTINCT poster_id, topic_id, 1 FROM phpBB3_posts WHERE topic_id BETWEEN 1 AND 12 AND poster_id <> 1;

-- Attachments take their post's topic and time.
UPDATE phpBB3_attachments a JOIN phpBB3_posts p ON p.post_id = a.post_msg_id
SET a.topic_id = p.topic_id, a.filetime = p.post_time
WHERE a.in_message = 0 AND a.post_msg_id BETWEEN 1 AND 31;

-- Board total: visible posts.
UPDATE phpBB3_config SET config_value = (SELECT COUNT(*) FROM phpBB3_posts WHERE post_visibility = 1) WHERE config_name = 'num_posts';

-- Board total: visible topics.
UPDATE phpBB3_config SET config_value = (SELECT COUNT(*) FROM phpBB3_topics WHERE topic_visibility = 1) WHERE config_name = 'num_topics';

-- Board total: active users and founders (phpBB does not count guests, bots and inactive users).
UPDATE phpBB3_config SET config_value = (SELECT COUNT(*) FROM phpBB3_users WHERE user_type IN (0, 3)) WHERE config_name = 'num_users';

-- Board total: attachments.
UPDATE phpBB3_config SET config_value = (SELECT COUNT(*) FROM phpBB3_attachments WHERE is_orphan = 0) WHERE config_name = 'num_files';

-- Board total: the attachments' size in bytes.
UPDATE phpBB3_config SET config_value = (SELECT COALESCE(SUM(filesize), 0) FROM phpBB3_attachments WHERE is_orphan = 0) WHERE config_name = 'upload_dir_size';

-- The newest member: the highest user id among active users and founders.
UPDATE phpBB3_config c
JOIN (SELECT user_id, username, user_colour FROM phpBB3_users WHERE user_type IN (0, 3) ORDER BY user_id DESC LIMIT 1) n
SET c.config_value = CASE c.config_name WHEN 'newest_user_id' THEN n.user_id
    WHEN 'newest_username' THEN n.username ELSE n.user_colour END
WHERE c.config_name IN ('newest_user_id', 'newest_username', 'newest_user_colour');

-- The board started with its oldest post.
UPDATE phpBB3_config SET config_value = COALESCE((SELECT MIN(post_time) FROM phpBB3_posts WHERE post_time > 0), config_value) WHERE config_name = 'board_startdate';

-- f. Search and phpBB's background work. Afterwards build the search index in the
--    Administration Control Panel (Search index) and purge the cache.

-- The search index of phpBB's sample post would point its words at converted posts.
DELETE FROM phpBB3_search_wordmatch;

-- The indexed words go with it.
DELETE FROM phpBB3_search_wordlist;

-- Cached search results.
DELETE FROM phpBB3_search_results;

-- phpBB's text re-parser would otherwise re-parse converted posts as people browse.
UPDATE phpBB3_config SET config_value = '0' WHERE config_name = 'text_reparser.post_text_cron_interval';

-- g. Attachment types: the converted attachments download at once.

-- Types of converted attachments that phpBB does not know join its group
-- "Downloadable Files".
INSERT INTO phpBB3_extensions (group_id, extension)
SELECT g.group_id, e.extension
FROM phpBB3_extension_groups g, (SELECT 'png' AS extension UNION ALL SELECT 'txt' AS extension) e
WHERE g.group_name = 'DOWNLOADABLE_FILES'
AND NOT EXISTS (SELECT 1 FROM phpBB3_extensions x WHERE x.extension = e.extension);

-- Every extension group that holds a type of a converted attachment is allowed.
UPDATE phpBB3_extension_groups SET allow_group = 1
WHERE group_id IN (SELECT group_id FROM phpBB3_extensions WHERE extension IN ('png', 'txt'));

-- The row that kept the files in order goes.
DELETE FROM phpBB3_config WHERE config_name = 'quillbridge_phpmyadmin_file';
