-- --------------------------------------------------------------------------------------
-- Discus conversion import script for phpBB 3.3. Run it once with: mariadb --local-infile=1 <database> < <this file>
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

LOAD DATA LOCAL INFILE '<OUTPUT>/phpBB3_groups1.txt' INTO TABLE phpBB3_groups CHARACTER SET utf8mb4
FIELDS TERMINATED BY ','
ENCLOSED BY '"' ESCAPED BY ''LINES TERMINATED BY '\r\n'
(group_id,group_type,group_founder_manage,group_skip_auth,group_name,group_desc,group_desc_bitfield,group_desc_options,group_desc_uid,group_display,group_avatar,group_avatar_type,group_avatar_width,group_avatar_height,group_rank,group_colour,group_sig_chars,group_receive_pm,group_message_limit,group_legend,group_max_recipients);


LOAD DATA LOCAL INFILE '<OUTPUT>/phpBB3_forums1.txt' REPLACE INTO TABLE phpBB3_forums CHARACTER SET utf8mb4
FIELDS TERMINATED BY ','
ENCLOSED BY '"' ESCAPED BY ''LINES TERMINATED BY '\r\n'
(forum_id,parent_id,left_id,right_id,forum_parents,forum_name,forum_desc,forum_desc_bitfield,forum_desc_options,forum_desc_uid,forum_link,forum_password,forum_style,forum_image,forum_rules,forum_rules_link,forum_rules_bitfield,forum_rules_options,forum_rules_uid,forum_topics_per_page,forum_type,forum_status,forum_last_post_id,forum_last_poster_id,forum_last_post_subject,forum_last_post_time,forum_last_poster_name,forum_last_poster_colour,forum_flags,display_on_index,enable_indexing,enable_icons,enable_prune,prune_next,prune_days,prune_viewed,prune_freq,display_subforum_list,forum_options,enable_shadow_prune,prune_shadow_days,prune_shadow_freq,prune_shadow_next,forum_posts_approved,forum_posts_unapproved,forum_posts_softdeleted,forum_topics_approved,forum_topics_unapproved,forum_topics_softdeleted);


LOAD DATA LOCAL INFILE '<OUTPUT>/phpBB3_posts1.txt' REPLACE INTO TABLE phpBB3_posts CHARACTER SET utf8mb4
FIELDS TERMINATED BY ','
ENCLOSED BY '"' ESCAPED BY ''LINES TERMINATED BY '\r\n'
(post_id,topic_id,forum_id,poster_id,icon_id,poster_ip,post_time,post_reported,enable_bbcode,enable_smilies,enable_magic_url,enable_sig,post_username,post_subject,post_text,post_checksum,post_attachment,bbcode_bitfield,bbcode_uid,post_postcount,post_edit_time,post_edit_reason,post_edit_user,post_edit_count,post_edit_locked,post_visibility,post_delete_time,post_delete_reason,post_delete_user);


LOAD DATA LOCAL INFILE '<OUTPUT>/phpBB3_users1.txt' INTO TABLE phpBB3_users CHARACTER SET utf8mb4
FIELDS TERMINATED BY ','
ENCLOSED BY '"' ESCAPED BY ''LINES TERMINATED BY '\r\n'
(user_id,user_type,group_id,user_permissions,user_perm_from,user_ip,user_regdate,username,username_clean,user_password,user_passchg,user_email,@skip,user_birthday,user_lastvisit,user_lastmark,user_lastpost_time,user_lastpage,user_last_confirm_key,user_last_search,user_warnings,user_last_warning,user_login_attempts,user_inactive_reason,user_inactive_time,user_posts,user_lang,user_timezone,user_dateformat,user_style,user_rank,user_colour,user_new_privmsg,user_unread_privmsg,user_last_privmsg,user_message_rules,user_full_folder,user_emailtime,user_topic_show_days,user_topic_sortby_type,user_topic_sortby_dir,user_post_show_days,user_post_sortby_type,user_post_sortby_dir,user_notify,user_notify_pm,user_notify_type,user_allow_pm,user_allow_viewonline,user_allow_viewemail,user_allow_massemail,user_options,user_avatar,user_avatar_type,user_avatar_width,user_avatar_height,user_sig,user_sig_bbcode_uid,user_sig_bbcode_bitfield,user_jabber,user_actkey,user_newpasswd,user_form_salt,user_new,user_reminded,user_reminded_time);


LOAD DATA LOCAL INFILE '<OUTPUT>/phpBB3_user_group1.txt' INTO TABLE phpBB3_user_group CHARACTER SET utf8mb4
FIELDS TERMINATED BY ','
ENCLOSED BY '"' ESCAPED BY ''LINES TERMINATED BY '\r\n'
(group_id,user_id,group_leader,user_pending);


LOAD DATA LOCAL INFILE '<OUTPUT>/phpBB3_topics1.txt' REPLACE INTO TABLE phpBB3_topics CHARACTER SET utf8mb4
FIELDS TERMINATED BY ','
ENCLOSED BY '"' ESCAPED BY ''LINES TERMINATED BY '\r\n'
(topic_id,forum_id,icon_id,topic_attachment,topic_reported,topic_title,topic_poster,topic_time,topic_time_limit,topic_views,topic_status,topic_type,topic_first_post_id,topic_first_poster_name,topic_first_poster_colour,topic_last_post_id,topic_last_poster_id,topic_last_poster_name,topic_last_poster_colour,topic_last_post_subject,topic_last_post_time,topic_last_view_time,topic_moved_id,topic_bumped,topic_bumper,poll_title,poll_start,poll_length,poll_max_options,poll_last_vote,poll_vote_change,topic_visibility,topic_delete_time,topic_delete_reason,topic_delete_user,topic_posts_approved,topic_posts_unapproved,topic_posts_softdeleted);


LOAD DATA LOCAL INFILE '<OUTPUT>/phpBB3_attachments1.txt' INTO TABLE phpBB3_attachments CHARACTER SET utf8mb4
FIELDS TERMINATED BY ','
ENCLOSED BY '"' ESCAPED BY ''LINES TERMINATED BY '\r\n'
(attach_id,post_msg_id,topic_id,in_message,poster_id,is_orphan,physical_filename,real_filename,download_count,attach_comment,extension,mimetype,filesize,filetime,thumbnail);


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

