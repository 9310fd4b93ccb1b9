#pragma once
// The six import rows: one public member per phpBB3 column, named like the column, and
// BuildString, which renders the row as one comma-separated line without line end.
//
// Each table's columns are listed once, in column order, in the QB_*_COLUMNS lists
// below. Every list entry is C(Kind, member, "column"); the members, BuildString and
// the column names of the load statement are all generated from it, so adding or
// checking a column is a one-line change. Kinds:
//   Int    32-bit signed integer, written in decimal ("-" when negative)
//   Int64  64-bit signed integer, written the same way
//   Text   text enclosed in double quotes, after the row cleaning (EncodeSpecialCharacters)
//   Raw    text written without quotes, after the same cleaning (an empty value leaves
//          the field empty)
// A new row has 0 in every integer and "" in every text; the writers fill the values.
#include <QString>
#include <QStringList>

#define QB_FORUMS_COLUMNS(C)                                                                          \
    C(Int, forum_id, "forum_id")                                                                      \
    C(Int, parent_id, "parent_id")                                                                    \
    C(Int, left_id, "left_id")                                                                        \
    C(Int, right_id, "right_id")                                                                      \
    C(Text, forum_parents, "forum_parents")                                                           \
    C(Text, forum_name, "forum_name")                                                                 \
    C(Text, forum_desc, "forum_desc")                                                                 \
    C(Text, forum_desc_bitfield, "forum_desc_bitfield")                                               \
    C(Int, forum_desc_options, "forum_desc_options")                                                  \
    C(Raw, forum_desc_uid, "forum_desc_uid")                                                          \
    C(Raw, forum_link, "forum_link")                                                                  \
    C(Raw, forum_password, "forum_password")                                                          \
    C(Int, forum_style, "forum_style")                                                                \
    C(Text, forum_image, "forum_image")                                                               \
    C(Text, forum_rules, "forum_rules")                                                               \
    C(Text, forum_rules_link, "forum_rules_link")                                                     \
    C(Text, forum_rules_bitfield, "forum_rules_bitfield")                                             \
    C(Int, forum_rules_options, "forum_rules_options")                                                \
    C(Text, forum_rules_uid, "forum_rules_uid")                                                       \
    C(Int, forum_topics_per_page, "forum_topics_per_page")                                            \
    C(Int, forum_type, "forum_type")                                                                  \
    C(Int, forum_status, "forum_status")                                                              \
    C(Int, forum_last_post_id, "forum_last_post_id")                                                  \
    C(Int, forum_last_poster_id, "forum_last_poster_id")                                              \
    C(Text, forum_last_post_subject, "forum_last_post_subject")                                       \
    C(Int, forum_last_post_time, "forum_last_post_time")                                              \
    C(Text, forum_last_poster_name, "forum_last_poster_name")                                         \
    C(Text, forum_last_poster_colour, "forum_last_poster_colour")                                     \
    C(Int, forum_flags, "forum_flags")                                                                \
    C(Int, display_on_index, "display_on_index")                                                      \
    C(Int, enable_indexing, "enable_indexing")                                                        \
    C(Int, enable_icons, "enable_icons")                                                              \
    C(Int, enable_prune, "enable_prune")                                                              \
    C(Int, prune_next, "prune_next")                                                                  \
    C(Int, prune_days, "prune_days")                                                                  \
    C(Int, prune_viewed, "prune_viewed")                                                              \
    C(Int, prune_freq, "prune_freq")                                                                  \
    C(Int, display_subforum_list, "display_subforum_list")                                            \
    C(Int, forum_options, "forum_options")                                                            \
    C(Int, enable_shadow_prune, "enable_shadow_prune")                                                \
    C(Int, prune_shadow_days, "prune_shadow_days")                                                    \
    C(Int, prune_shadow_freq, "prune_shadow_freq")                                                    \
    C(Int, prune_shadow_next, "prune_shadow_next")                                                    \
    C(Int, forum_posts_approved, "forum_posts_approved")                                              \
    C(Int, forum_posts_unapproved, "forum_posts_unapproved")                                          \
    C(Int, forum_posts_softdeleted, "forum_posts_softdeleted")                                        \
    C(Int, forum_topics_approved, "forum_topics_approved")                                            \
    C(Int, forum_topics_unapproved, "forum_topics_unapproved")                                        \
    C(Int, forum_topics_softdeleted, "forum_topics_softdeleted")

#define QB_TOPICS_COLUMNS(C)                                                                          \
    C(Int, topic_id, "topic_id")                                                                      \
    C(Int, forum_id, "forum_id")                                                                      \
    C(Int, icon_id, "icon_id")                                                                        \
    C(Int, topic_attachment, "topic_attachment")                                                      \
    C(Int, topic_reported, "topic_reported")                                                          \
    C(Text, topic_title, "topic_title")                                                               \
    C(Int, topic_poster, "topic_poster")                                                              \
    C(Int, topic_time, "topic_time")                                                                  \
    C(Int, topic_time_limit, "topic_time_limit")                                                      \
    C(Int, topic_views, "topic_views")                                                                \
    C(Int, topic_status, "topic_status")                                                              \
    C(Int, topic_type, "topic_type")                                                                  \
    C(Int, topic_first_post_id, "topic_first_post_id")                                                \
    C(Text, topic_first_poster_name, "topic_first_poster_name")                                       \
    C(Text, topic_first_poster_colour, "topic_first_poster_colour")                                   \
    C(Int, topic_last_post_id, "topic_last_post_id")                                                  \
    C(Int, topic_last_poster_id, "topic_last_poster_id")                                              \
    C(Text, topic_last_poster_name, "topic_last_poster_name")                                         \
    C(Text, topic_last_poster_colour, "topic_last_poster_colour")                                     \
    C(Text, topic_last_post_subject, "topic_last_post_subject")                                       \
    C(Int, topic_last_post_time, "topic_last_post_time")                                              \
    C(Int, topic_last_view_time, "topic_last_view_time")                                              \
    C(Int, topic_moved_id, "topic_moved_id")                                                          \
    C(Int, topic_bumped, "topic_bumped")                                                              \
    C(Int, topic_bumper, "topic_bumper")                                                              \
    C(Text, poll_title, "poll_title")                                                                 \
    C(Int, poll_start, "poll_start")                                                                  \
    C(Int, poll_length, "poll_length")                                                                \
    C(Int, poll_max_options, "poll_max_options")                                                      \
    C(Int, poll_last_vote, "poll_last_vote")                                                          \
    C(Int, poll_vote_change, "poll_vote_change")                                                      \
    C(Int, topic_visibility, "topic_visibility")                                                      \
    C(Int, topic_delete_time, "topic_delete_time")                                                    \
    C(Text, topic_delete_reason, "topic_delete_reason")                                               \
    C(Int, topic_delete_user, "topic_delete_user")                                                    \
    C(Int, topic_posts_approved, "topic_posts_approved")                                              \
    C(Int, topic_posts_unapproved, "topic_posts_unapproved")                                          \
    C(Int, topic_posts_softdeleted, "topic_posts_softdeleted")

#define QB_POSTS_COLUMNS(C)                                                                           \
    C(Int, post_id, "post_id")                                                                        \
    C(Int, topic_id, "topic_id")                                                                      \
    C(Int, forum_id, "forum_id")                                                                      \
    C(Int, poster_id, "poster_id")                                                                    \
    C(Int, icon_id, "icon_id")                                                                        \
    C(Text, poster_ip, "poster_ip")                                                                   \
    C(Int, post_time, "post_time")                                                                    \
    C(Int, post_reported, "post_reported")                                                            \
    C(Int, enable_bbcode, "enable_bbcode")                                                            \
    C(Int, enable_smilies, "enable_smilies")                                                          \
    C(Int, enable_magic_url, "enable_magic_url")                                                      \
    C(Int, enable_sig, "enable_sig")                                                                  \
    C(Text, post_username, "post_username")                                                           \
    C(Text, post_subject, "post_subject")                                                             \
    C(Text, post_text, "post_text")                                                                   \
    C(Text, post_checksum, "post_checksum")                                                           \
    C(Int, post_attachment, "post_attachment")                                                        \
    C(Text, bbcode_bitfield, "bbcode_bitfield")                                                       \
    C(Text, bbcode_uid, "bbcode_uid")                                                                 \
    C(Int, post_postcount, "post_postcount")                                                          \
    C(Int, post_edit_time, "post_edit_time")                                                          \
    C(Text, post_edit_reason, "post_edit_reason")                                                     \
    C(Int, post_edit_user, "post_edit_user")                                                          \
    C(Int, post_edit_count, "post_edit_count")                                                        \
    C(Int, post_edit_locked, "post_edit_locked")                                                      \
    C(Int, post_visibility, "post_visibility")                                                        \
    C(Int, post_delete_time, "post_delete_time")                                                      \
    C(Text, post_delete_reason, "post_delete_reason")                                                 \
    C(Int, post_delete_user, "post_delete_user")

#define QB_USERS_COLUMNS(C)                                                                           \
    C(Int, user_id, "user_id")                                                                        \
    C(Int, user_type, "user_type")                                                                    \
    C(Int, group_id, "group_id")                                                                      \
    C(Text, user_permissions, "user_permissions")                                                     \
    C(Int, user_perm_from, "user_perm_from")                                                          \
    C(Text, user_ip, "user_ip")                                                                       \
    C(Int, user_regdate, "user_regdate")                                                              \
    C(Text, username, "username")                                                                     \
    C(Text, username_clean, "username_clean")                                                         \
    C(Text, user_password, "user_password")                                                           \
    C(Int, user_passchg, "user_passchg")                                                              \
    C(Text, user_email, "user_email")                                                                 \
    C(Int64, user_email_hash, "user_email_hash")                                                      \
    C(Text, user_birthday, "user_birthday")                                                           \
    C(Int, user_lastvisit, "user_lastvisit")                                                          \
    C(Int, user_lastmark, "user_lastmark")                                                            \
    C(Int, user_lastpost_time, "user_lastpost_time")                                                  \
    C(Text, user_lastpage, "user_lastpage")                                                           \
    C(Text, user_last_confirm_key, "user_last_confirm_key")                                           \
    C(Int, user_last_search, "user_last_search")                                                      \
    C(Int, user_warnings, "user_warnings")                                                            \
    C(Int, user_last_warning, "user_last_warning")                                                    \
    C(Int, user_login_attempts, "user_login_attempts")                                                \
    C(Int, user_inactive_reason, "user_inactive_reason")                                              \
    C(Int, user_inactive_time, "user_inactive_time")                                                  \
    C(Int, user_posts, "user_posts")                                                                  \
    C(Text, user_lang, "user_lang")                                                                   \
    C(Text, user_timezone, "user_timezone")                                                           \
    C(Text, user_dateformat, "user_dateformat")                                                       \
    C(Int, user_style, "user_style")                                                                  \
    C(Int, user_rank, "user_rank")                                                                    \
    C(Text, user_colour, "user_colour")                                                               \
    C(Int, user_new_privmsg, "user_new_privmsg")                                                      \
    C(Int, user_unread_privmsg, "user_unread_privmsg")                                                \
    C(Int, user_last_privmsg, "user_last_privmsg")                                                    \
    C(Int, user_message_rules, "user_message_rules")                                                  \
    C(Int, user_full_folder, "user_full_folder")                                                      \
    C(Int, user_emailtime, "user_emailtime")                                                          \
    C(Int, user_topic_show_days, "user_topic_show_days")                                              \
    C(Text, user_topic_sortby_type, "user_topic_sortby_type")                                         \
    C(Text, user_topic_sortby_dir, "user_topic_sortby_dir")                                           \
    C(Int, user_post_show_days, "user_post_show_days")                                                \
    C(Text, user_post_sortby_type, "user_post_sortby_type")                                           \
    C(Text, user_post_sortby_dir, "user_post_sortby_dir")                                             \
    C(Int, user_notify, "user_notify")                                                                \
    C(Int, user_notify_pm, "user_notify_pm")                                                          \
    C(Int, user_notify_type, "user_notify_type")                                                      \
    C(Int, user_allow_pm, "user_allow_pm")                                                            \
    C(Int, user_allow_viewonline, "user_allow_viewonline")                                            \
    C(Int, user_allow_viewemail, "user_allow_viewemail")                                              \
    C(Int, user_allow_massemail, "user_allow_massemail")                                              \
    C(Int, user_options, "user_options")                                                              \
    C(Text, user_avatar, "user_avatar")                                                               \
    C(Text, user_avatar_type, "user_avatar_type")                                                     \
    C(Int, user_avatar_width, "user_avatar_width")                                                    \
    C(Int, user_avatar_height, "user_avatar_height")                                                  \
    C(Text, user_sig, "user_sig")                                                                     \
    C(Text, user_sig_bbcode_uid, "user_sig_bbcode_uid")                                               \
    C(Text, user_sig_bbcode_bitfield, "user_sig_bbcode_bitfield")                                     \
    C(Text, user_jabber, "user_jabber")                                                               \
    C(Text, user_actkey, "user_actkey")                                                               \
    C(Text, user_newpasswd, "user_newpasswd")                                                         \
    C(Text, user_form_salt, "user_form_salt")                                                         \
    C(Int, user_new, "user_new")                                                                      \
    C(Int, user_reminded, "user_reminded")                                                            \
    C(Int, user_reminded_time, "user_reminded_time")

#define QB_GROUPS_COLUMNS(C)                                                                          \
    C(Int, group_id, "group_id")                                                                      \
    C(Int, group_type, "group_type")                                                                  \
    C(Int, group_founder_manage, "group_founder_manage")                                              \
    C(Int, group_skip_auth, "group_skip_auth")                                                        \
    C(Text, group_name, "group_name")                                                                 \
    C(Text, group_desc, "group_desc")                                                                 \
    C(Text, group_desc_bitfield, "group_desc_bitfield")                                               \
    C(Int, group_desc_options, "group_desc_options")                                                  \
    C(Text, group_desc_uid, "group_desc_uid")                                                         \
    C(Int, group_display, "group_display")                                                            \
    C(Text, group_avatar, "group_avatar")                                                             \
    C(Text, group_avatar_type, "group_avatar_type")                                                   \
    C(Int, group_avatar_width, "group_avatar_width")                                                  \
    C(Int, group_avatar_height, "group_avatar_height")                                                \
    C(Int, group_rank, "group_rank")                                                                  \
    C(Text, group_colour, "group_colour")                                                             \
    C(Int, group_sig_chars, "group_sig_chars")                                                        \
    C(Int, group_receive_pm, "group_receive_pm")                                                      \
    C(Int, group_message_limit, "group_message_limit")                                                \
    C(Int, group_legend, "group_legend")                                                              \
    C(Int, group_max_recipients, "group_max_recipients")

// topic_id is the topic of the post the file is attached to (phpBB finds a topic's
// attachments by it). The member for the column extension is named extention.
#define QB_ATTACHMENTS_COLUMNS(C)                                                                     \
    C(Int, attach_id, "attach_id")                                                                    \
    C(Int, post_msg_id, "post_msg_id")                                                                \
    C(Int, topic_id, "topic_id")                                                                      \
    C(Int, in_message, "in_message")                                                                  \
    C(Int, poster_id, "poster_id")                                                                    \
    C(Int, is_orphan, "is_orphan")                                                                    \
    C(Text, physical_filename, "physical_filename")                                                   \
    C(Text, real_filename, "real_filename")                                                           \
    C(Int, download_count, "download_count")                                                          \
    C(Text, attach_comment, "attach_comment")                                                         \
    C(Text, extention, "extension")                                                                   \
    C(Text, mimetype, "mimetype")                                                                     \
    C(Int, filesize, "filesize")                                                                      \
    C(Int, filetime, "filetime")                                                                      \
    C(Int, thumbnail, "thumbnail")

// A member's membership of a group (phpBB's user_group table).
#define QB_USER_GROUP_COLUMNS(C)                                                                      \
    C(Int, group_id, "group_id")                                                                      \
    C(Int, user_id, "user_id")                                                                        \
    C(Int, group_leader, "group_leader")                                                              \
    C(Int, user_pending, "user_pending")

// Member declarations generated from a column list.
#define QB_ROW_MEMBER_Int(member) qint32 member = 0;
#define QB_ROW_MEMBER_Int64(member) qint64 member = 0;
#define QB_ROW_MEMBER_Text(member) QString member;
#define QB_ROW_MEMBER_Raw(member) QString member;
#define QB_ROW_MEMBER(kind, member, column) QB_ROW_MEMBER_##kind(member)
#define QB_ROW_COUNT(kind, member, column) +1

#define QB_ROW_CLASS(Class, COLUMNS)                                                                  \
    class Class {                                                                                     \
    public:                                                                                           \
        COLUMNS(QB_ROW_MEMBER)                                                                        \
        /* The row as one line: the columns in order, separated by ",", no line end. */              \
        QString BuildString() const;                                                                  \
        /* The phpBB3 column names in column order (the load statement's column list). */            \
        static QStringList columnNames();                                                             \
        /* The text columns (Text and Raw), whose tokens the script turns back into characters. */  \
        static QStringList textColumnNames();                                                         \
        /* The import table the rows go to ("phpBB3_forums", ...). */                                 \
        static QString tableName();                                                                   \
        static constexpr int columnCount = 0 COLUMNS(QB_ROW_COUNT);                                   \
    };

QB_ROW_CLASS(clsTblForums, QB_FORUMS_COLUMNS)
QB_ROW_CLASS(clsTblTopics, QB_TOPICS_COLUMNS)
QB_ROW_CLASS(clsTblPosts, QB_POSTS_COLUMNS)
QB_ROW_CLASS(clsTblUsers, QB_USERS_COLUMNS)
QB_ROW_CLASS(clsTblGroups, QB_GROUPS_COLUMNS)
QB_ROW_CLASS(clsTblAttachments, QB_ATTACHMENTS_COLUMNS)
QB_ROW_CLASS(clsTblUserGroup, QB_USER_GROUP_COLUMNS)

// The column names of an import table ("phpBB3_forums", ...) in column order; empty for
// a table without a row class.
QStringList ImportColumns(const QString &tableName);
